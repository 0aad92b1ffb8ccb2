#include "AmountText.h"

#include "platform/Exception.h"
#include "platform/TextToValue.h"

#include <cmath>

namespace AmountText {

QString grouped(const QString &plain)
{
    const qsizetype point = plain.indexOf(QLatin1Char('.'));
    QString whole = point < 0 ? plain : plain.left(point);
    const bool negative = whole.startsWith(QLatin1Char('-'));
    if (negative)
        whole.remove(0, 1);
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
        whole.insert(at, QLatin1Char(','));
    return (negative ? QStringLiteral("-") : QString()) + whole +
           (point < 0 ? QString() : plain.mid(point));
}

QString cents(qint64 cents)
{
    const qint64 magnitude = cents < 0 ? -cents : cents;
    return grouped((cents < 0 ? QStringLiteral("-") : QString()) +
                   QString::number(magnitude / 100) + QLatin1Char('.') +
                   QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0')));
}

std::optional<qint64> parse(const QString &label, const QString &text,
                            const RegionalSettings &settings)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    QString plain = trimmed;
    // The grouping the windows show comes back when the user copies an amount from them.
    if (settings.decimalSeparator != QLatin1Char(','))
        plain.remove(QLatin1Char(','));
    plain.remove(QChar(0xFF0C)).remove(QLatin1Char(' '));
    const Exception notAnAmount(QStringLiteral("%1“%2”不是金额").arg(label, trimmed));
    double value = 0;
    try {
        value = TextToValue::number(plain, settings);
    } catch (const Exception &) {
        throw notAnAmount;
    }
    // Beyond this, cents no longer fit the ledger's whole numbers exactly.
    if (!std::isfinite(value) || std::abs(value) >= 1e15)
        throw notAnAmount;
    return std::llround(value * 100);
}

} // namespace AmountText
