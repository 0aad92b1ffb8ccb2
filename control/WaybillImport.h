#pragma once
// A courier's export (.csv, .xlsx, .xls) read as lines that name a letter, so waybills and
// the replies' senders need not be typed one by one. Columns are found by their titles:
// 函证编号 (or 函编号) and 运单号 (or 快递单号), and for the couriers' records of replies the
// sender's 寄件人地址, 寄件人电话 and 寄件时间. The file is refused whole, naming the row,
// when it contradicts itself or holds a number that is no waybill.

#include <QList>
#include <QString>

class WaybillImport
{
public:
    struct Line
    {
        QString number;  // the letter's, trimmed; may be empty in a reply's record
        QString waybill; // normalized; may be empty in a reply's record
        int row = 0;     // the sheet row, from 1
        // A reply's record: where and when its sender posted it, trimmed.
        QString senderAddress, senderPhone, sentAt;
    };

    // The letters' waybills, in the file's order, a pair given twice kept once. Raises
    // Exception when the file cannot be read, lacks either column, or a row gives an empty
    // or implausible waybill, a waybill of another letter's, or a second waybill for a letter.
    static QList<Line> read(const QString &path);
    // The replies' records: each row names its letter by 函证编号, by 运单号 or both, with at
    // least one of the sender's columns. The same refusals; a row naming neither is refused.
    static QList<Line> readReplies(const QString &path);

private:
    struct Layout;
    static QList<Line> read(const QString &path, const Layout &layout);
};
