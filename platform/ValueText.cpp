#include "ValueText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ValueText {

namespace {
const QDate kAutomationEpoch(1899, 12, 30);
}

QString fromNumber(double value, const RegionalSettings &settings)
{
    if (value == 0)
        return QStringLiteral("0");
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    // 15 significant digits, rounded once; the exponent is that of the rounded value.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    const char *e = std::strchr(buffer, 'e');
    const int exponent = std::atoi(e + 1);
    QByteArray digits;
    for (const char *p = buffer; p < e; ++p)
        if (*p != '.')
            digits.append(*p);
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);

    QString text = value < 0 ? QStringLiteral("-") : QString();
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            text += QLatin1Char('0') + settings.decimalSeparator +
                    QString(-exponent - 1, QLatin1Char('0')) + QString::fromLatin1(digits);
        } else if (digits.size() <= exponent + 1) {
            text += QString::fromLatin1(digits) + QString(exponent + 1 - digits.size(), QLatin1Char('0'));
        } else {
            text += QString::fromLatin1(digits.left(exponent + 1)) + settings.decimalSeparator +
                    QString::fromLatin1(digits.mid(exponent + 1));
        }
    } else {
        text += QLatin1Char(digits.at(0));
        if (digits.size() > 1)
            text += settings.decimalSeparator + QString::fromLatin1(digits.mid(1));
        text += QLatin1Char('E') + QString::number(exponent);
    }
    return text;
}

QString fromCurrency(qint64 tenThousandths, const RegionalSettings &settings)
{
    const bool negative = tenThousandths < 0;
    const quint64 magnitude = negative ? 0 - quint64(tenThousandths) : quint64(tenThousandths);
    QString text = negative ? QStringLiteral("-") : QString();
    text += QString::number(magnitude / 10000);
    QString fraction = QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (!fraction.isEmpty())
        text += settings.decimalSeparator + fraction;
    return text;
}

QDateTime dateTimeFromAutomation(double automationDate)
{
    // Before the epoch the fraction still counts forward from midnight of its day.
    double days = std::trunc(automationDate);
    double fraction = std::fabs(automationDate - days);
    qint64 seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += automationDate < 0 ? -1 : 1;
    }
    return QDateTime(kAutomationEpoch.addDays(qint64(days)), QTime(0, 0).addSecs(int(seconds)));
}

QString fromDate(double automationDate, const RegionalSettings &settings)
{
    const QDateTime moment = dateTimeFromAutomation(automationDate);
    const bool hasTime = moment.time() != QTime(0, 0);
    if (hasTime && moment.date() == kAutomationEpoch)
        return moment.time().toString(settings.timeFormat);
    QString text = moment.date().toString(settings.shortDateFormat);
    if (hasTime)
        text += QLatin1Char(' ') + moment.time().toString(settings.timeFormat);
    return text;
}

QString fromBoolean(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString fromInteger(qint64 value)
{
    return QString::number(value);
}

double automationDate(const QDate &date)
{
    return double(kAutomationEpoch.daysTo(date));
}

} // namespace ValueText
