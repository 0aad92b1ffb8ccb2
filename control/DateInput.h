#pragma once
// A date the user types into a list (a reconciling item's, a piece of evidence's): as
// 2027-01-15, or in the regional short date format; and the text such a cell shows.

#include "platform/RegionalSettings.h"

#include <QDate>
#include <optional>

namespace DateInput {
// None for an empty text. Raises Exception naming the field for a text that is no date:
// "第 1 行调节项日期“2027-13-45”不是日期".
std::optional<QDate> date(const QString &label, const QString &text,
                          const RegionalSettings &settings);
// yyyy-MM-dd, which date() reads back whatever the regional format; empty for none.
QString text(const QDate &date);
} // namespace DateInput
