#pragma once
// An amount the user types for a selection (a key-item threshold, a tolerable or expected
// misstatement), in yuan with the regional decimal separator, read into cents.

#include "platform/RegionalSettings.h"

#include <optional>

namespace AmountInput {
// None for an empty text. Raises Exception naming the field for a text that is no amount,
// or a negative one: "重要项目界限“abc”不是金额".
std::optional<qint64> cents(const QString &label, const QString &text,
                            const RegionalSettings &settings);
} // namespace AmountInput
