#include "ChineseAmount.h"

#include <cmath>

namespace ChineseAmount {

namespace {
const QChar kDigits[] = {u'零', u'壹', u'贰', u'叁', u'肆', u'伍', u'陆', u'柒', u'捌', u'玖'};
const QString kUnits[] = {QString(), QStringLiteral("拾"), QStringLiteral("佰"),
                          QStringLiteral("仟")};

QString yuanText(qint64 yuan)
{
    QString digits = QString::number(yuan);
    const int count = int(digits.size());
    QString text;
    bool zeroPending = false;
    for (int i = 0; i < count; ++i) {
        const int position = count - 1 - i; // power of ten
        const int digit = digits.at(i).digitValue();
        if (digit == 0) {
            zeroPending = !text.isEmpty();
        } else {
            if (zeroPending)
                text += kDigits[0];
            zeroPending = false;
            text += kDigits[digit] + kUnits[position % 4];
        }
        if (position % 4 == 0 && position > 0) {
            // The section's unit, when the section has a digit: 万, 亿, then 万 (of 亿).
            const int group = position / 4;
            const QStringView section =
                QStringView(digits).sliced(std::max(0, i - 3), std::min(4, i + 1));
            const bool hasDigit = section.count(QLatin1Char('0')) != section.size();
            if (group == 2 && !hasDigit && !text.isEmpty() && !text.endsWith(QChar(u'亿')))
                text += QChar(u'亿'); // 壹万亿: the 亿 stands even over an empty section
            else if (hasDigit)
                text += group == 2 ? QStringLiteral("亿") : QStringLiteral("万");
        }
    }
    return text;
}

} // namespace

QString fromNumber(double amount)
{
    if (!std::isfinite(amount) || std::fabs(amount) >= 1e16)
        return QString();
    const qint64 fen = std::llround(std::fabs(amount) * 100);
    const qint64 yuan = fen / 100;
    const int jiao = int(fen / 10 % 10);
    const int cents = int(fen % 10);
    QString text = amount < 0 && fen > 0 ? QStringLiteral("负") : QString();
    if (fen == 0)
        return QStringLiteral("零元整");
    if (yuan > 0)
        text += yuanText(yuan) + QChar(u'元');
    if (jiao == 0 && cents == 0)
        return text + QChar(u'整');
    if (jiao > 0)
        text += QString(kDigits[jiao]) + QChar(u'角');
    else if (yuan > 0)
        text += kDigits[0]; // 壹仟元零伍分
    if (cents > 0)
        text += QString(kDigits[cents]) + QChar(u'分');
    return text;
}

} // namespace ChineseAmount
