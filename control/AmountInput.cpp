#include "AmountInput.h"

#include "Cents.h"
#include "platform/Exception.h"
#include "platform/TextToValue.h"

namespace AmountInput {

std::optional<qint64> cents(const QString &label, const QString &text,
                            const RegionalSettings &settings)
{
    // Thousands separators as the register and the window show amounts, unless the comma
    // is the decimal separator here.
    QString plain = text.trimmed();
    if (settings.decimalSeparator != QLatin1Char(','))
        plain.remove(QLatin1Char(','));
    if (plain.isEmpty())
        return std::nullopt;
    double value = 0;
    try {
        value = TextToValue::number(plain, settings);
    } catch (const Exception &) {
        throw Exception(QStringLiteral("%1“%2”不是金额").arg(label, text.trimmed()));
    }
    const std::optional<qint64> cents = Cents::of(value);
    if (!cents || *cents < 0)
        throw Exception(QStringLiteral("%1“%2”不是金额").arg(label, text.trimmed()));
    return cents;
}

} // namespace AmountInput
