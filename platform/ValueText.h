#pragma once
// Texts of typed values under the user's regional settings: what the import stores in
// the table, and what the record fetch reads back.

#include "RegionalSettings.h"

#include <QDateTime>
#include <QString>

namespace ValueText {

// At most 15 significant digits, trailing zeros dropped, no digit grouping; fixed
// notation for zero and magnitudes from 0.0001 to below 1E15, else 1.5E-5 style.
QString fromNumber(double value, const RegionalSettings &settings);
// The same for a value of whole cents (most amounts), written into 'text' without a string
// made: its length, or 0 for any other value.
constexpr qsizetype kCentsLength = 24;
qsizetype writeCents(double value, const RegionalSettings &settings,
                     char16_t (&text)[kCentsLength]);
// A currency amount held as ten-thousandths: at most four decimals, trailing zeros dropped.
QString fromCurrency(qint64 tenThousandths, const RegionalSettings &settings);
// An automation date (days since 30 December 1899, the fraction the time of day): the
// short date, then the time after a space when there is one; a time alone before day 1.
QString fromDate(double automationDate, const RegionalSettings &settings);
QString fromBoolean(bool value);

// Automation dates: days since 30 December 1899 at midnight.
double automationDate(const QDate &date);
QDateTime dateTimeFromAutomation(double automationDate);

} // namespace ValueText
