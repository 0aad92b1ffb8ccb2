#include "WaybillRules.h"

#include "Exception.h"

#include <algorithm>

namespace WaybillRules {

namespace {

constexpr int kShortest = 6, kLongest = 30;

// ASCII only: a full-width digit or a Chinese character is no courier's number, however
// QChar::isLetterOrNumber sees it.
bool allowed(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c == QLatin1Char('-');
}

} // namespace

QString normalized(const QString &text)
{
    // Full-width digits and letters, as a Chinese input method types them, are the same number.
    const QString plain = text.normalized(QString::NormalizationForm_KC);
    QString kept;
    kept.reserve(plain.size());
    for (QChar c : plain)
        if (!c.isSpace())
            kept += c;
    return kept.toUpper();
}

bool plausible(const QString &text)
{
    const QString number = normalized(text);
    return number.size() >= kShortest && number.size() <= kLongest &&
           std::all_of(number.begin(), number.end(), allowed);
}

QString requireWaybill(const QString &text)
{
    const QString number = normalized(text);
    if (number.isEmpty())
        throw Exception(QStringLiteral("快递单号为空"));
    if (!std::all_of(number.begin(), number.end(), allowed))
        throw Exception(
            QStringLiteral("快递单号“%1”含有字母、数字和连字符以外的字符").arg(text.trimmed()));
    if (number.size() < kShortest || number.size() > kLongest)
        throw Exception(QStringLiteral("快递单号“%1”有 %2 位，应为 %3 到 %4 位")
                            .arg(text.trimmed())
                            .arg(number.size())
                            .arg(kShortest)
                            .arg(kLongest));
    return number;
}

} // namespace WaybillRules
