#pragma once
// Amounts as the windows show them and as the user types them: grouped by thousands with
// two decimals, and typed amounts read into cents with a message naming the field.

#include "platform/RegionalSettings.h"

#include <QString>
#include <optional>

namespace AmountText {
// 1234567.8 as 1,234,567.8: amounts are read by their thousands.
QString grouped(const QString &plain);
// 123456789 cents as 1,234,567.89.
QString cents(qint64 cents);
// What the user typed into the field 'label' in cents; none when it is blank. Digit
// grouping is allowed. Raises Exception "重要项目界限“abc”不是金额" for anything else.
std::optional<qint64> parse(const QString &label, const QString &text,
                            const RegionalSettings &settings);
} // namespace AmountText
