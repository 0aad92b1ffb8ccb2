#include "ErrorText.h"

#include <system_error>

QString errorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

QString foreignErrorText(const std::exception &error)
{
    const QString detail = cleanComponentMessage(QString::fromLocal8Bit(error.what()));
    // A system_error comes from asking the system for a thread, a lock or a file.
    if (dynamic_cast<const std::system_error *>(&error))
        return QStringLiteral("系统未能提供所需的资源（线程或文件），操作未能完成：%1").arg(detail);
    return QStringLiteral("程序内部出错，操作未能完成：%1").arg(detail);
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
