#include "ErrorText.h"

QString errorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

QString cleanComponentMessage(const QString &description)
{
    qsizetype end = description.size();
    while (end > 0) {
        const QChar c = description.at(end - 1);
        if (c.unicode() <= 0x20 || c == QLatin1Char('.') || c == QChar(0x3002))
            --end;
        else
            break;
    }
    return description.left(end);
}
