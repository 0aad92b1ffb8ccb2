#pragma once
// A typed cell value as the spreadsheet server gives it.

#include <QString>

struct CellValue
{
    enum Kind : quint8
    {
        Empty,
        Text,
        Number,
        Date,
        Boolean,
        Error,
        Currency
    };

    Kind kind = Empty;
    double number = 0;   // Number; Date as an automation date; Boolean as 0 or 1
    qint64 currency = 0; // Currency, in ten-thousandths
    QString text;        // Text; Error as its code ("#N/A")

    static CellValue makeText(const QString &text) { return {Text, 0, 0, text}; }
    static CellValue makeNumber(double value) { return {Number, value, 0, {}}; }
    static CellValue makeDate(double automationDate) { return {Date, automationDate, 0, {}}; }
    static CellValue makeBoolean(bool value) { return {Boolean, value ? 1.0 : 0.0, 0, {}}; }
    static CellValue makeError(const QString &code) { return {Error, 0, 0, code}; }
    static CellValue makeCurrency(qint64 tenThousandths)
    {
        return {Currency, 0, tenThousandths, {}};
    }

    bool operator==(const CellValue &other) const = default;
};
Q_DECLARE_TYPEINFO(CellValue, Q_RELOCATABLE_TYPE);
