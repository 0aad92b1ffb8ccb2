#pragma once
// Amounts in whole cents as people read and type them: "-1,234.56". Exact both ways: no
// amount goes through a double, so a reply of 0.10 is ten cents, not nearly.

#include <QString>

namespace AmountText {
// With thousands separated by commas and two decimals.
QString of(qint64 cents);
// A typed amount: commas (half- or full-width) and spaces between digits, a sign, at most
// two decimals. Raises Exception "<name>“<text>”不是金额（例如 1,234.56）" for anything
// else, and "<name>不能为空" for nothing.
qint64 parse(const QString &text, const QString &name);
} // namespace AmountText
