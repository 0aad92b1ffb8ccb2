#include "TemplateLocations.h"

#include "TemplatePath.h"
#include "platform/ErrorText.h"
#include "platform/Exception.h"
#include "platform/ProgramDirectory.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString withSeparator(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QStringList templateNamesIn(const QString &folder)
{
    QStringList names;
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*.grf")}, QDir::Files | QDir::Readable);
    for (const QFileInfo &file : files)
        if (!file.completeBaseName().isEmpty())
            names.append(file.completeBaseName());
    return names;
}

} // namespace

TemplateLocations::TemplateLocations(QString programFolder, QString shippedFolder,
                                     QString userFolder)
    : m_program(withSeparator(std::move(programFolder))),
      m_shipped(withSeparator(std::move(shippedFolder))),
      m_user(withSeparator(std::move(userFolder)))
{
}

namespace {
const TemplateLocations *g_override = nullptr;
} // namespace

void TemplateLocations::setCurrent(const TemplateLocations *locations)
{
    g_override = locations;
}

const TemplateLocations &TemplateLocations::current()
{
    if (g_override)
        return *g_override;
    // Not AppDataLocation: it differs between the desktop program and the batch tool,
    // which must find the same templates.
    static const TemplateLocations locations(
        programDirectory(),
        QDir::cleanPath(programDirectory() + QStringLiteral("../share/roviradavev")),
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/roviradavev/templates"));
    return locations;
}

bool TemplateLocations::holdsLetters(const QString &folder) const
{
    // The first letter's presence tells where the shipped templates are.
    return QFileInfo::exists(templatePath(folder, shippedLetters().constFirst()));
}

bool TemplateLocations::isPortable() const
{
    // Root may write to /usr/bin: a program folder without the letters that the shipped
    // folder holds is an installed one all the same.
    return QFileInfo(m_program).isWritable() &&
           (holdsLetters(m_program) || !holdsLetters(m_shipped));
}

QString TemplateLocations::shippedFolder() const
{
    return isPortable() || holdsLetters(m_program) ? m_program : m_shipped;
}

QString TemplateLocations::saveFileFor(const QString &name) const
{
    return templatePath(saveFolder(), name);
}

QString TemplateLocations::fileFor(const QString &name) const
{
    // A shipped template gone from a portable folder is read from an installed copy, if any.
    QStringList folders{m_user, shippedFolder()};
    if (isPortable())
        folders = {m_program, m_shipped};
    for (const QString &folder : folders)
        if (const QString file = templatePath(folder, name); QFileInfo::exists(file))
            return file;
    return saveFileFor(name);
}

QStringList TemplateLocations::names() const
{
    QStringList names = templateNamesIn(isPortable() ? m_program : m_user);
    if (!isPortable())
        for (const QString &name : templateNamesIn(shippedFolder()))
            if (!names.contains(name))
                names.append(name);
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    std::sort(names.begin(), names.end(), collator);
    return names;
}

bool TemplateLocations::canRestore(const QString &name) const
{
    return !isPortable() && QFileInfo::exists(templatePath(m_user, name)) &&
           QFileInfo::exists(templatePath(shippedFolder(), name));
}

void TemplateLocations::restore(const QString &name) const
{
    QFile copy(templatePath(m_user, name));
    if (!copy.remove())
        throw Exception(
            QStringLiteral("无法删除“%1”：%2")
                .arg(QDir::toNativeSeparators(copy.fileName()), fileErrorText(copy.errorString())));
}

const QStringList &TemplateLocations::shippedLetters()
{
    static const QStringList letters{QStringLiteral("应收帐款确认函"),
                                     QStringLiteral("预收帐款确认函")};
    return letters;
}

const QStringList &TemplateLocations::shippedNames()
{
    // The second request and the dispatch list are printed from the ledger; the starter
    // letter stands in for neither.
    static const QStringList names =
        shippedLetters() + QStringList{QStringLiteral("信封"), QStringLiteral("第二次询证函"),
                                       QStringLiteral("发函清单")};
    return names;
}

QString TemplateLocations::missingShippedFolder(const QString &name) const
{
    if (!shippedNames().contains(name) || QFileInfo::exists(fileFor(name)))
        return QString();
    return shippedFolder();
}
