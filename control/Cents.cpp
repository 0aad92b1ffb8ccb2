#include "Cents.h"

#include <cmath>

namespace Cents {

std::optional<qint64> of(double amount)
{
    if (!std::isfinite(amount) || std::fabs(amount) >= 9.2e16)
        return std::nullopt;
    // amount x 100 is off by at most an ulp: rounding it is exact unless it lies at a
    // half cent, where the decimal text decides as the letter's does.
    const double scaled = amount * 100;
    if (std::fabs(scaled) < 1e12 && std::fabs(scaled - std::floor(scaled) - 0.5) > 1e-3)
        return std::llround(scaled);
    return QString::number(amount, 'f', 2).remove(QLatin1Char('.')).toLongLong();
}

namespace {
QString withSeparators(qint64 cents, bool grouped)
{
    const quint64 magnitude = cents < 0 ? 0 - quint64(cents) : quint64(cents);
    QString whole = QString::number(magnitude / 100);
    for (qsizetype at = whole.size() - 3; grouped && at > 0; at -= 3)
        whole.insert(at, QLatin1Char(','));
    return (cents < 0 ? QStringLiteral("-") : QString()) + whole + QLatin1Char('.') +
           QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}
} // namespace

QString text(qint64 cents)
{
    return withSeparators(cents, true);
}

QString plain(qint64 cents)
{
    return withSeparators(cents, false);
}

} // namespace Cents
