#include "DateInput.h"

#include "platform/Clock.h"
#include "platform/Exception.h"
#include "platform/TextToValue.h"
#include "platform/ValueText.h"

#include <QRegularExpression>

namespace DateInput {

std::optional<QDate> date(const QString &label, const QString &text,
                          const RegionalSettings &settings)
{
    const QString plain = text.trimmed();
    if (plain.isEmpty())
        return std::nullopt;
    const auto refused = [&] {
        return Exception(QStringLiteral("%1“%2”不是日期").arg(label, plain));
    };
    // A four-digit year first is the written form whatever the region: read it as such,
    // so that 2027-13-45 is no date rather than a guess in another order.
    static const QRegularExpression written(
        QStringLiteral("^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})$"));
    if (const auto match = written.match(plain); match.hasMatch()) {
        const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                         match.captured(3).toInt());
        if (!date.isValid())
            throw refused();
        return date;
    }
    try {
        const double days = TextToValue::date(plain, settings, Clock::today());
        const QDate date = ValueText::dateTimeFromAutomation(days).date();
        if (!date.isValid())
            throw refused();
        return date;
    } catch (const Exception &) {
        throw refused();
    }
}

QString text(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

} // namespace DateInput
