#pragma once
// The user's regional settings as the import writes and the record fetch reads them:
// a numeric short date format with one separator, and the decimal separator.

#include <QChar>
#include <QLocale>
#include <QString>

struct RegionalSettings
{
    QString shortDateFormat; // Qt date format, e.g. "yyyy/M/d"; always a four-digit year
    QChar dateSeparator;
    QChar decimalSeparator;
    QString timeFormat; // "H:mm:ss"

    // Derives the settings from a locale: its order of day, month and year, its first
    // separator that is not a space ("/" where it has none), and a four-digit year, so
    // that every date written reads back as the same date.
    static RegionalSettings fromLocale(const QLocale &locale);
    // The user's settings, derived once from QLocale::system().
    static const RegionalSettings &user();
};
