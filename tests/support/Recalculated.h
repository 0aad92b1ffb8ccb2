#pragma once
// A workbook as LibreOffice computes it, for tests of the formulas we write.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPair>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <cmath>

// Converts the workbook at 'path' with LibreOffice into 'folder' by 'filter', every
// formula computed on loading whatever results the file holds (a workbook whose cached
// results were wrong would otherwise pass for right). False when LibreOffice is not
// installed.
inline bool convertedByOffice(const QString &path, const QString &folder, const QString &filter)
{
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        return false;
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("profile/user"));
    QFile settings(dir.filePath(QStringLiteral("profile/user/registrymodifications.xcu")));
    settings.open(QIODevice::WriteOnly);
    settings.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="OOXMLRecalcMode" oor:op="fuse"><value>0</value></prop></item>
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="ODFRecalcMode" oor:op="fuse"><value>0</value></prop></item>
</oor:items>
)");
    settings.close();
    QProcess convert;
    convert.setWorkingDirectory(dir.path());
    // A profile of its own: another LibreOffice running is left alone.
    convert.start(office, {QStringLiteral("-env:UserInstallation=file://") + dir.path() +
                               QStringLiteral("/profile"),
                           QStringLiteral("--headless"), QStringLiteral("--convert-to"), filter,
                           QStringLiteral("--outdir"), folder, path});
    if (!convert.waitForFinished(180000))
        qFatal("LibreOffice did not finish");
    return true;
}

// The workbook at 'path' as LibreOffice computes it: each sheet's rows as CSV lines, by the
// sheet's name. Empty when LibreOffice is not installed.
inline QMap<QString, QStringList> recalculated(const QString &path)
{
    QTemporaryDir dir;
    if (!convertedByOffice(path, dir.path(),
                           QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,"
                                          "true,false,false,false,-1")))
        return {};
    QMap<QString, QStringList> sheets;
    const QString base = QFileInfo(path).completeBaseName() + QLatin1Char('-');
    for (const QString &name : QDir(dir.path()).entryList({QStringLiteral("*.csv")})) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::ReadOnly);
        sheets.insert(name.mid(base.size()).chopped(4),
                      QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts));
    }
    return sheets;
}

// The workbook at 'path' saved again by LibreOffice as .xlsx in 'folder', every formula
// computed by it: the new file's path, empty when LibreOffice is not installed.
inline QString recalculatedCopy(const QString &path, const QString &folder)
{
    if (!convertedByOffice(path, folder, QStringLiteral("xlsx")))
        return {};
    return QDir(folder).filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".xlsx"));
}

// 汇总's lines as LibreOffice computes them: the item, then its count and amount (-1 where
// the line has none).
inline QMap<QString, QPair<double, double>> summaryFigures(const QStringList &lines)
{
    QMap<QString, QPair<double, double>> figures;
    for (const QString &line : lines.mid(1)) {
        const QStringList cells = line.split(QLatin1Char(','));
        auto value = [](QString cell) {
            const bool share = cell.endsWith(QLatin1Char('%'));
            if (share)
                cell.chop(1);
            return cell.isEmpty() ? -1.0 : cell.toDouble() / (share ? 100 : 1);
        };
        figures.insert(cells.value(0), {value(cells.value(1)), value(cells.value(2))});
    }
    return figures;
}

inline bool near(QPair<double, double> got, double count, double amount)
{
    return std::abs(got.first - count) < 1e-9 && std::abs(got.second - amount) < 1e-6;
}
