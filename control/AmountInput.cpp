#include "AmountInput.h"

#include "Cents.h"
#include "platform/Exception.h"
#include "platform/TextToValue.h"

namespace AmountInput {

std::optional<qint64> signedCents(const QString &label, const QString &text,
                                  const RegionalSettings &settings)
{
    // Thousands separators as the register and the window show amounts, unless the comma
    // is the decimal separator here.
    QString plain = text.trimmed();
    if (settings.decimalSeparator != QLatin1Char(','))
        plain.remove(QLatin1Char(','));
    // Minus signs pasted from a report or typed with a Chinese input method.
    plain.replace(QChar(0x2212), QLatin1Char('-')).replace(QChar(0xFF0D), QLatin1Char('-'));
    if (plain.isEmpty())
        return std::nullopt;
    const auto refused = [&] {
        return Exception(QStringLiteral("%1“%2”不是金额").arg(label, text.trimmed()));
    };
    double value = 0;
    try {
        value = TextToValue::number(plain, settings);
    } catch (const Exception &) {
        throw refused();
    }
    const std::optional<qint64> cents = Cents::of(value);
    if (!cents)
        throw refused();
    return cents;
}

std::optional<qint64> cents(const QString &label, const QString &text,
                            const RegionalSettings &settings)
{
    const std::optional<qint64> cents = signedCents(label, text, settings);
    if (cents && *cents < 0)
        throw Exception(QStringLiteral("%1“%2”不是金额").arg(label, text.trimmed()));
    return cents;
}

QString text(qint64 cents, const RegionalSettings &settings)
{
    const quint64 magnitude = cents < 0 ? 0 - quint64(cents) : quint64(cents);
    return QStringLiteral("%1%2%3%4")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(settings.decimalSeparator)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

} // namespace AmountInput
