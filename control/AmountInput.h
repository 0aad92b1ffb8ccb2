#pragma once
// An amount the user types (a key-item threshold, a tolerable misstatement, a reconciling
// item), in yuan with the regional decimal separator, read into cents; and the text such a
// box shows for an amount kept.

#include "platform/RegionalSettings.h"

#include <optional>

namespace AmountInput {
// None for an empty text. Raises Exception naming the field for a text that is no amount,
// or a negative one: "重要项目界限“abc”不是金额".
std::optional<qint64> cents(const QString &label, const QString &text,
                            const RegionalSettings &settings);
// The same with a sign allowed, for amounts that explain a difference either way: "-",
// the minus sign and the full-width minus all read as minus.
std::optional<qint64> signedCents(const QString &label, const QString &text,
                                  const RegionalSettings &settings);
// "-1234.50" (with the regional decimal separator, no grouping): what signedCents reads back.
QString text(qint64 cents, const RegionalSettings &settings);
} // namespace AmountInput
