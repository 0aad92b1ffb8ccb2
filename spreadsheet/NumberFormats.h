#pragma once
// Decides from a cell's number format whether its number is a date.

#include <QHash>
#include <QString>

class NumberFormats
{
public:
    // A format record: id and format code.
    void define(int id, const QString &code) { m_codes.insert(id, code); }
    // Whether numbers shown with format 'id' are dates (or times).
    bool isDate(int id) const;

    static bool isBuiltInDate(int id);
    static bool isDateCode(const QString &code);

private:
    QHash<int, QString> m_codes;
    mutable QHash<int, bool> m_cache;
};

// Automation date of a spreadsheet serial number in the 1900 or the 1904 date system.
double automationDateFromSerial(double serial, bool dateSystem1904);
