#pragma once
// Amounts as whole cents, the way the selection and the ledger keep them.

#include <QString>

#include <optional>

namespace Cents {
// The amount rounded to the cent as a letter prints it (its two-decimal text); none when
// it lies beyond what 64 bits of cents hold.
std::optional<qint64> of(double amount);
// "2,500,000.00" for 250000000.
QString text(qint64 cents);
// "2500000.00" for 250000000: as a CSV cell or the batch tool's table gives it.
QString plain(qint64 cents);
} // namespace Cents
