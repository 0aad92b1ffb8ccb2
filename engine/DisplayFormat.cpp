#include "DisplayFormat.h"

#include "ChineseAmount.h"
#include "platform/RegionalSettings.h"
#include "platform/ValueText.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

#include <cmath>

namespace DisplayFormat {

namespace {

bool isPatternChar(QChar c)
{
    return c == QLatin1Char('#') || c == QLatin1Char('0') || c == QLatin1Char(',') ||
           c == QLatin1Char('.');
}

QString plainNumber(double value)
{
    static const RegionalSettings dot = [] {
        RegionalSettings s;
        s.decimalSeparator = QLatin1Char('.');
        return s;
    }();
    return ValueText::fromNumber(value, dot);
}

} // namespace

QString number(double value, const QString &pattern)
{
    if (pattern == ChineseCapitals)
        return ChineseAmount::fromNumber(value);
    qsizetype start = 0;
    while (start < pattern.size() && !isPatternChar(pattern.at(start)))
        ++start;
    if (start == pattern.size())
        return pattern.isEmpty() ? plainNumber(value) : pattern + plainNumber(value);
    qsizetype end = start;
    while (end < pattern.size() && isPatternChar(pattern.at(end)))
        ++end;
    const QString prefix = pattern.left(start);
    const QString core = pattern.mid(start, end - start);
    const QString suffix = pattern.mid(end);

    const bool grouping = core.contains(QLatin1Char(','));
    const qsizetype point = core.indexOf(QLatin1Char('.'));
    const QString decimals = point < 0 ? QString() : core.mid(point + 1);
    const int maxDecimals =
        int(decimals.count(QLatin1Char('0')) + decimals.count(QLatin1Char('#')));
    const int minDecimals = int(decimals.count(QLatin1Char('0')));
    if (!std::isfinite(value))
        return plainNumber(value);

    QString digits = QString::number(std::fabs(value), 'f', maxDecimals);
    if (maxDecimals > minDecimals) {
        while (digits.endsWith(QLatin1Char('0')) &&
               digits.size() - digits.indexOf(QLatin1Char('.')) - 1 > minDecimals)
            digits.chop(1);
        if (digits.endsWith(QLatin1Char('.')))
            digits.chop(1);
    }
    qsizetype integerEnd = digits.indexOf(QLatin1Char('.'));
    if (integerEnd < 0)
        integerEnd = digits.size();
    if (grouping)
        for (qsizetype at = integerEnd - 3; at > 0; at -= 3)
            digits.insert(at, QLatin1Char(','));
    const bool negative = value < 0 && digits.contains(QRegularExpression(QStringLiteral("[1-9]")));
    return (negative ? QStringLiteral("-") : QString()) + prefix + digits + suffix;
}

namespace {

// "第N字": the N-th character of the text, or nothing past its end; any other format leaves
// the text whole.
QString textCharacter(const QString &text, const QString &format)
{
    static const QRegularExpression character(QStringLiteral("^第(\\d{1,3})字$"));
    const QRegularExpressionMatch match = character.match(format);
    if (!match.hasMatch())
        return text;
    const qsizetype n = match.captured(1).toInt();
    return n >= 1 && n <= text.size() ? text.mid(n - 1, 1) : QString();
}

} // namespace

QString apply(const QVariant &value, const QString &format)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(format.isEmpty() ? DefaultDate : format);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(format.isEmpty() ? DefaultDate : format);
    case QMetaType::Double:
        return number(value.toDouble(), format);
    case QMetaType::UnknownType:
        return QString();
    default:
        return textCharacter(value.toString(), format);
    }
}

} // namespace DisplayFormat
