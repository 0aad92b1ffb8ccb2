#include "TextToValue.h"

#include "Exception.h"
#include "ValueText.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>

namespace TextToValue {

namespace {

enum class Order
{
    MonthDayYear,
    DayMonthYear,
    YearMonthDay
};

// The first of d, m, y and e in the short date format decides.
Order orderOf(const QString &format)
{
    for (QChar c : format) {
        switch (c.toLower().unicode()) {
        case 'y':
        case 'e':
            return Order::YearMonthDay;
        case 'm':
            return Order::MonthDayYear;
        case 'd':
            return Order::DayMonthYear;
        default:
            break;
        }
    }
    return Order::MonthDayYear;
}

class Scanner
{
public:
    explicit Scanner(const QString &text) : m_text(text) {}

    void skipSpaces()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char(' '))
            ++m_pos;
    }
    bool atEnd() const { return m_pos >= m_text.size(); }
    bool take(QChar c)
    {
        if (!atEnd() && m_text.at(m_pos) == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    // Digits while the value is below 'limit'; the count of digits read.
    int digits(int limit, int &value)
    {
        value = 0;
        int count = 0;
        while (!atEnd() && m_text.at(m_pos).isDigit() && m_text.at(m_pos).unicode() < 128 &&
               value < limit) {
            value = value * 10 + (m_text.at(m_pos).unicode() - '0');
            ++m_pos;
            ++count;
        }
        return count;
    }
    bool atDigit() const
    {
        return !atEnd() && m_text.at(m_pos).unicode() >= '0' && m_text.at(m_pos).unicode() <= '9';
    }

private:
    const QString &m_text;
    qsizetype m_pos = 0;
};

[[noreturn]] void invalidDate(const QString &text)
{
    // The cell's text unchanged, as the conversion's message has always given it.
    throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
}

[[noreturn]] void invalidNumber(const QString &text)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

} // namespace

double date(const QString &text, const RegionalSettings &settings, const QDate &today)
{
    Scanner scan(text);
    int numbers[3] = {0, 0, 0};
    int yearDigits[3] = {0, 0, 0};
    int count = 0;
    const QChar separator = settings.dateSeparator;
    for (;;) {
        scan.skipSpaces();
        yearDigits[count] = scan.digits(1000, numbers[count]);
        if (yearDigits[count] == 0)
            invalidDate(text);
        ++count;
        scan.skipSpaces();
        if (count == 3) {
            scan.take(separator); // one separator may end the third number
            break;
        }
        if (!scan.take(separator)) {
            if (count == 2)
                break;
            invalidDate(text);
        }
    }
    scan.skipSpaces();
    if (!scan.atEnd())
        invalidDate(text);

    const Order order = orderOf(settings.shortDateFormat);
    int year = today.year(), month = 0, day = 0, digitsOfYear = 4;
    if (count == 2) {
        if (order == Order::DayMonthYear)
            day = numbers[0], month = numbers[1];
        else
            month = numbers[0], day = numbers[1];
    } else {
        switch (order) {
        case Order::YearMonthDay:
            year = numbers[0], month = numbers[1], day = numbers[2], digitsOfYear = yearDigits[0];
            break;
        case Order::MonthDayYear:
            month = numbers[0], day = numbers[1], year = numbers[2], digitsOfYear = yearDigits[2];
            break;
        case Order::DayMonthYear:
            day = numbers[0], month = numbers[1], year = numbers[2], digitsOfYear = yearDigits[2];
            break;
        }
        if (digitsOfYear <= 2) {
            const int windowStart = today.year() - 50;
            year += windowStart - windowStart % 100;
            if (year < windowStart)
                year += 100;
        }
    }
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day))
        invalidDate(text);
    return ValueText::automationDate(QDate(year, month, day));
}

double number(const QString &text, const RegionalSettings &settings)
{
    std::string plain; // the number in C form, for from_chars
    qsizetype i = 0;
    const qsizetype size = text.size();
    auto at = [&](qsizetype k) { return k < size ? text.at(k) : QChar(); };
    auto isDigit = [&](qsizetype k) {
        return k < size && text.at(k).unicode() >= '0' && text.at(k).unicode() <= '9';
    };

    while (at(i) == QLatin1Char(' '))
        ++i;
    if (at(i) == QLatin1Char('+') || at(i) == QLatin1Char('-'))
        plain += char(text.at(i++).unicode());
    bool mantissa = false;
    bool separatorSeen = false;
    std::string whole, fraction;
    while (i < size) {
        if (isDigit(i)) {
            (separatorSeen ? fraction : whole) += char(text.at(i).unicode());
            mantissa = true;
        } else if (text.at(i) == settings.decimalSeparator && !separatorSeen) {
            separatorSeen = true;
            mantissa = true; // a lone separator reads as 0
        } else {
            break;
        }
        ++i;
    }
    if (!mantissa)
        invalidNumber(text);
    plain += whole.empty() ? std::string("0") : whole;
    if (!fraction.empty())
        plain += "." + fraction;
    if (at(i) == QLatin1Char('E') || at(i) == QLatin1Char('e')) {
        ++i;
        bool negative = false;
        if (at(i) == QLatin1Char('+') || at(i) == QLatin1Char('-'))
            negative = text.at(i++) == QLatin1Char('-');
        int exponent = 0;
        while (isDigit(i) && exponent < 500)
            exponent = exponent * 10 + (text.at(i++).unicode() - '0');
        plain += negative ? "e-" : "e";
        plain += std::to_string(exponent);
    }
    while (at(i) == QLatin1Char(' '))
        ++i;
    if (i != size)
        invalidNumber(text);

    if (!plain.empty() && plain[0] == '+')
        plain.erase(0, 1);
    long double value = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small is zero; too large is no number.
        if (plain.find("e-") != std::string::npos)
            return 0.0;
        invalidNumber(text);
    }
    if (result.ec != std::errc() || result.ptr != plain.data() + plain.size())
        invalidNumber(text);
    if (std::fabs(value) > DBL_MAX) {
        // The largest double as 15 digits (the import's text of it) lies just beyond it.
        if (std::fabs(value) <= 1.79769313486232E308L)
            return value < 0 ? -DBL_MAX : DBL_MAX;
        invalidNumber(text);
    }
    return double(value);
}

} // namespace TextToValue
