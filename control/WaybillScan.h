#pragma once
// Reads the waybill numbers (快递单号) off couriers' labels, scanned or photographed, so an
// auditor can bind each letter to the waybill that carried it without typing the numbers.
// Labels are taken in the order a person reads the sheet: rows from the top, each row from
// the left, whichever way round the sheet was scanned.

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace WaybillScan {
// The resolution pages of PDF files are read at: a label's narrowest bar is a quarter of a
// millimetre, which needs three pixels to be read reliably.
constexpr double kDotsPerInch = 300;

struct Labels
{
    QStringList waybills; // normalized, each once, in reading order
    // Code 128 texts that cannot be courier numbers (a sorting code, an order's name), each
    // once, for the caller to show.
    QStringList ignored;
};

// The waybills on every page of a PDF, PNG, JPEG or TIFF file. The letters' own QR codes are
// passed over. Raises Exception with the reason when the file or one of its pages cannot be
// read: a waybill missed would shift every binding after it.
Labels read(const QString &path);
// The same of one page.
Labels read(const QImage &page);

struct Binding
{
    QList<QPair<QString, QString>> pairs; // (letter, waybill), as many as both lists have
    QStringList lettersLeft;              // letters chosen beyond the waybills read
    QStringList waybillsLeft;             // waybills read beyond the letters chosen
    // Empty when the counts agree; otherwise says so plainly, for the pairing shown before
    // anything is saved.
    QString mismatch;
};
// Pairs the letters chosen, in their order, with the waybills read, in reading order.
Binding bind(const QStringList &letters, const QStringList &waybills);
} // namespace WaybillScan
