#include "ContactText.h"

#include <QStringList>

namespace ContactText {

namespace {
// Shorter than this, a tail shared by two addresses or phones says little (一号, 8888).
constexpr int kAddressTail = 6;
constexpr int kLocalPhone = 7;

// The text after the first 'marker' within its first 'within' characters.
QString afterPrefix(const QString &text, const QStringList &markers, int within)
{
    for (const QString &marker : markers) {
        const qsizetype at = text.indexOf(marker);
        if (at > 0 && at < within)
            return text.mid(at + marker.size());
    }
    return text;
}
} // namespace

QString plain(const QString &text)
{
    const QString wide = text.normalized(QString::NormalizationForm_KC);
    QString result;
    result.reserve(wide.size());
    for (const QChar c : wide)
        if (!c.isSpace() && !c.isPunct() && !c.isSymbol())
            result += c.toLower();
    return result;
}

QString address(const QString &text)
{
    // Provinces have at most 8 characters before 自治区 (内蒙古, 广西壮族…) and cities fewer.
    QString rest = afterPrefix(plain(text), {QStringLiteral("自治区"), QStringLiteral("省")}, 9);
    return afterPrefix(rest, {QStringLiteral("市")}, 6);
}

QString phone(const QString &text)
{
    QString digits;
    for (const QChar c : text.normalized(QString::NormalizationForm_KC))
        if (c.isDigit())
            digits += c;
    if (digits.startsWith(QStringLiteral("0086")))
        digits.remove(0, 4);
    else if (digits.startsWith(QStringLiteral("86")) && digits.size() > 11)
        digits.remove(0, 2);
    return digits;
}

bool sameAddress(const QString &a, const QString &b)
{
    const QString x = address(a), y = address(b);
    if (x == y)
        return true;
    const QString &shorter = x.size() < y.size() ? x : y, &longer = x.size() < y.size() ? y : x;
    return shorter.size() >= kAddressTail && longer.endsWith(shorter);
}

bool samePhone(const QString &a, const QString &b)
{
    const QString x = phone(a), y = phone(b);
    if (x == y)
        return true;
    const QString &shorter = x.size() < y.size() ? x : y, &longer = x.size() < y.size() ? y : x;
    // Only a landline goes without its area code, and that starts with 0.
    return shorter.size() >= kLocalPhone && longer.startsWith(QLatin1Char('0')) &&
           longer.endsWith(shorter);
}

} // namespace ContactText
