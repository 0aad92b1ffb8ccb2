#include "ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace ValueText {

namespace {
const QDate kAutomationEpoch(1899, 12, 30);
// Automation dates of 1 January 100 and of the day after 31 December 9999.
constexpr double kFirstDate = -657434;
constexpr double kDayAfterLastDate = 2958466;
} // namespace

qsizetype writeCents(double value, const RegionalSettings &settings, char16_t (&text)[kCentsLength])
{
    // Amounts are mostly whole cents: when the value is the double nearest some n/100
    // with n below 10^15, that decimal is its 15-digit rounding (no other lies as near).
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 0.01 && magnitude < 1e13))
        return 0;
    const double cents = std::round(magnitude * 100);
    if (cents / 100 != magnitude)
        return 0;
    const auto whole = quint64(cents);
    char16_t *end = text + kCentsLength, *at = end;
    const int fraction = int(whole % 100);
    if (fraction != 0) {
        if (fraction % 10 != 0)
            *--at = char16_t(u'0' + fraction % 10);
        *--at = char16_t(u'0' + fraction / 10);
        *--at = settings.decimalSeparator.unicode();
    }
    quint64 units = whole / 100;
    do {
        *--at = char16_t(u'0' + units % 10);
        units /= 10;
    } while (units != 0);
    if (value < 0)
        *--at = u'-';
    const qsizetype length = end - at;
    std::memmove(text, at, size_t(length) * 2);
    return length;
}

QString fromNumber(double value, const RegionalSettings &settings)
{
    if (value == 0)
        return QStringLiteral("0");
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    char16_t cents[kCentsLength];
    if (const qsizetype length = writeCents(value, settings, cents); length > 0)
        return QString(reinterpret_cast<const QChar *>(cents), length);

    // 15 significant digits, rounded once; the exponent is that of the rounded value.
    // The shortest form that reads back as the value is that rounding whenever it has
    // at most 15 digits (no other 15-digit decimal lies as near), and is much cheaper.
    // Subnormal values are too coarse for that argument.
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                std::chars_format::scientific);
    if (std::find(buffer, result.ptr, 'e') - buffer > 16 || // "d." and more than 14 digits
        std::fabs(value) < std::numeric_limits<double>::min())
        result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                               std::chars_format::scientific, 14);
    const char *e = std::find(buffer, result.ptr, 'e');
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+'), result.ptr, exponent);
    char digits[16];
    int count = 0;
    for (const char *p = buffer; p < e; ++p)
        if (*p != '.')
            digits[count++] = *p;
    while (count > 1 && digits[count - 1] == '0')
        --count;

    char16_t text[48];
    int length = 0;
    auto put = [&](char16_t c) { text[length++] = c; };
    if (value < 0)
        put(u'-');
    const char16_t decimal = settings.decimalSeparator.unicode();
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            put(u'0');
            put(decimal);
            for (int i = 0; i < -exponent - 1; ++i)
                put(u'0');
            for (int i = 0; i < count; ++i)
                put(char16_t(digits[i]));
        } else {
            for (int i = 0; i <= exponent; ++i)
                put(i < count ? char16_t(digits[i]) : u'0');
            if (count > exponent + 1) {
                put(decimal);
                for (int i = exponent + 1; i < count; ++i)
                    put(char16_t(digits[i]));
            }
        }
    } else {
        put(char16_t(digits[0]));
        if (count > 1) {
            put(decimal);
            for (int i = 1; i < count; ++i)
                put(char16_t(digits[i]));
        }
        put(u'E');
        char exponentText[8];
        const auto written =
            std::to_chars(exponentText, exponentText + sizeof exponentText, exponent);
        for (const char *p = exponentText; p < written.ptr; ++p)
            put(char16_t(*p));
    }
    return QString(reinterpret_cast<const QChar *>(text), length);
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

namespace {

struct DayAndTime
{
    QDate date;
    QTime time;
};

// Without QDateTime: its local-time handling would consult the time zone for every value.
DayAndTime splitAutomation(double automationDate)
{
    // Before the epoch the fraction still counts forward from midnight of its day.
    double days = std::trunc(automationDate);
    double fraction = std::fabs(automationDate - days);
    qint64 seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += automationDate < 0 ? -1 : 1;
    }
    return {kAutomationEpoch.addDays(qint64(days)),
            QTime::fromMSecsSinceStartOfDay(int(seconds) * 1000)};
}

// Writes a date in a numeric format of d, dd, M, MM, yyyy and separators; false when the
// format holds anything else, which QDate then formats.
bool writeNumericDate(const QDate &date, const QString &format, QString &out)
{
    int parts[3];
    date.getDate(&parts[0], &parts[1], &parts[2]); // year, month, day
    char16_t text[32];
    int length = 0;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        int value = -1;
        if (c == QLatin1Char('d') && run <= 2)
            value = parts[2];
        else if (c == QLatin1Char('M') && run <= 2)
            value = parts[1];
        else if (c == QLatin1Char('y') && run == 4)
            value = parts[0];
        else if (c.isLetter() || c == QLatin1Char('\'') || length + run > 24)
            return false;
        if (value >= 0) {
            if (value > 9999)
                return false;
            char digits[8];
            const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
            for (qsizetype pad = end - digits; pad < run; ++pad)
                text[length++] = u'0';
            for (const char *p = digits; p < end; ++p)
                text[length++] = char16_t(*p);
        } else {
            for (qsizetype k = 0; k < run; ++k)
                text[length++] = c.unicode();
        }
        i += run;
    }
    out.append(reinterpret_cast<const QChar *>(text), length);
    return true;
}

QString timeText(const QTime &time, const QString &format)
{
    if (format != QLatin1String("H:mm:ss"))
        return time.toString(format);
    char16_t text[8] = {};
    int length = 0;
    const int hour = time.hour();
    if (hour >= 10)
        text[length++] = char16_t(u'0' + hour / 10);
    text[length++] = char16_t(u'0' + hour % 10);
    for (int part : {time.minute(), time.second()}) {
        text[length++] = u':';
        text[length++] = char16_t(u'0' + part / 10);
        text[length++] = char16_t(u'0' + part % 10);
    }
    return QString(reinterpret_cast<const QChar *>(text), length);
}

} // namespace

QDateTime dateTimeFromAutomation(double automationDate)
{
    const DayAndTime parts = splitAutomation(automationDate);
    return QDateTime(parts.date, parts.time);
}

QString fromDate(double automationDate, const RegionalSettings &settings)
{
    // Outside the years 100 to 9999 no calendar date exists: the value shows as a number.
    if (!(automationDate >= kFirstDate && automationDate < kDayAfterLastDate))
        return fromNumber(automationDate, settings);
    const DayAndTime moment = splitAutomation(automationDate);
    const bool hasTime = moment.time != QTime(0, 0);
    if (hasTime && moment.date == kAutomationEpoch)
        return timeText(moment.time, settings.timeFormat);
    QString text;
    text.reserve(20);
    if (!writeNumericDate(moment.date, settings.shortDateFormat, text))
        text = moment.date.toString(settings.shortDateFormat);
    if (hasTime)
        text += QLatin1Char(' ') + timeText(moment.time, settings.timeFormat);
    return text;
}

QString fromBoolean(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

double automationDate(const QDate &date)
{
    return double(kAutomationEpoch.daysTo(date));
}

} // namespace ValueText
