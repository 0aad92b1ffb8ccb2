#pragma once
// A courier's export of the waybills it carried (.csv, .xlsx, .xls), read as pairs of a
// letter's number and its waybill, so waybills need not be typed one by one. Columns are
// found by their titles: 函证编号 (or 函编号) and 运单号 (or 快递单号). The file is refused
// whole, naming the row, when it contradicts itself or holds a number that is no waybill.

#include <QList>
#include <QString>

class WaybillImport
{
public:
    struct Line
    {
        QString number;  // the letter's, trimmed
        QString waybill; // normalized
        int row = 0;     // the sheet row, from 1
    };

    // The file's pairs in its order, a pair given twice kept once. Raises Exception when the
    // file cannot be read, lacks either column, or a row gives an empty or implausible
    // waybill, a waybill of another letter's, or a second waybill for a letter.
    static QList<Line> read(const QString &path);
};
