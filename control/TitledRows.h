#pragma once
// A table kept outside the program as texts, its columns known by their titles: the
// register sheet of a workbook (.xlsx, .xls) or a CSV file, told apart by content. The
// register import and the courier's waybill export are both read through it.

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

struct TitledRows
{
    // The rows searched for the titles: a register kept by hand often has its name, the
    // engagement and a blank line above them.
    static constexpr int kTitleRows = 10;

    QString where;             // 的工作表“…”, for messages; empty for a CSV file
    QMap<int, QString> titles; // by column from 1, trimmed
    // The rows below the titles that hold anything, by sheet row (from 1) and column.
    QList<QPair<int, QMap<int, QString>>> rows;

    // The file's rows; raises Exception naming the file when it cannot be read. Typed cells
    // come as the ledger takes them: dates as yyyy-MM-dd, whole numbers without decimals (a
    // waybill or a letter number typed as a number).
    static TitledRows read(const QString &path);
    // Takes the first row holding one of 'anyOf' as the titles; false when none has.
    bool findTitles(const QStringList &anyOf);
    // The first column titled with the first of 'names' found, or -1.
    int column(const QStringList &names) const;
};
