#pragma once
// The record fetch's parses of cell texts under the user's regional settings: dates in
// the short date format's order with its separator, and plain decimal numbers.

#include "RegionalSettings.h"

#include <QDate>
#include <QString>

namespace TextToValue {
// An automation date (days since 30 December 1899) at midnight. Two or three numbers;
// one- and two-digit years fall in the 100 years from 50 before today's year; two
// numbers are a day of today's year. Raises EConvertError "'text' is not a valid date".
double date(const QString &text, const RegionalSettings &settings, const QDate &today);
// Raises EConvertError "'text' is not a valid floating point value"; also for values
// beyond the range of a double.
double number(const QString &text, const RegionalSettings &settings);
} // namespace TextToValue
