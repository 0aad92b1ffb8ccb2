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
        Error
    };

    Kind kind = Empty;
    double number = 0; // Number; Date as an automation date; Boolean as 0 or 1
    QString text;      // Text; Error as its code ("#N/A")

    static CellValue makeText(const QString &text) { return {Text, 0, text}; }
    static CellValue makeNumber(double value) { return {Number, value, {}}; }
    static CellValue makeDate(double automationDate) { return {Date, automationDate, {}}; }
    static CellValue makeBoolean(bool value) { return {Boolean, value ? 1.0 : 0.0, {}}; }
    static CellValue makeError(const QString &code) { return {Error, 0, code}; }

    bool operator==(const CellValue &other) const = default;
};
Q_DECLARE_TYPEINFO(CellValue, Q_RELOCATABLE_TYPE);
