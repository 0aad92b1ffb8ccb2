#include "AmountText.h"

#include "platform/Exception.h"

#include <QRegularExpression>

namespace AmountText {

QString of(qint64 cents)
{
    const bool negative = cents < 0;
    // The magnitude as unsigned: the most negative amount has no positive twin.
    const quint64 size = negative ? quint64(0) - quint64(cents) : quint64(cents);
    QString whole = QString::number(size / 100);
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
        whole.insert(at, QLatin1Char(','));
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString(), whole)
        .arg(size % 100, 2, 10, QLatin1Char('0'));
}

qint64 parse(const QString &text, const QString &name)
{
    QString digits = text.trimmed();
    if (digits.isEmpty())
        throw Exception(QStringLiteral("%1不能为空").arg(name));
    // Full-width digits and signs are what a Chinese input method gives.
    for (QChar &c : digits)
        if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E)
            c = QChar(c.unicode() - 0xFEE0);
    digits.replace(QChar(0x2212), QLatin1Char('-'));
    digits.remove(QLatin1Char(',')).remove(QLatin1Char(' '));
    static const QRegularExpression amount(
        QStringLiteral(R"(^([+-]?)(\d{1,15})(?:\.(\d{0,2}))?$)"));
    const QRegularExpressionMatch match = amount.match(digits);
    if (!match.hasMatch())
        throw Exception(
            QStringLiteral("%1“%2”不是金额（例如 1,234.56）").arg(name, text.trimmed()));
    const qint64 cents = match.captured(2).toLongLong() * 100 +
                         match.captured(3).leftJustified(2, QLatin1Char('0')).toLongLong();
    return match.captured(1) == QStringLiteral("-") ? -cents : cents;
}

} // namespace AmountText
