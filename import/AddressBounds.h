#pragma once
// The bounds of a used range, read from the address text the spreadsheet server gives,
// and the address the import then reads the values with.

#include <QString>

struct AddressBounds
{
    int firstRow = -1;
    int lastRow = -1;
    int firstColumn = -1;
    int lastColumn = -1;
    bool singleCell = false;
    bool rowsOnly = false;

    static AddressBounds read(const QString &address);
    // No bound is -1.
    bool complete() const;
    // "A1:D20" style, without "$"; names no valid range when a bound is -1.
    QString readAddress() const;

    // Column number of the first one or two letters: A is 1, AA 27, ZZ 702; -1 for none.
    static int columnNumber(QStringView letters);
};
