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

QString fileErrorText(const QString &systemText)
{
    static const struct
    {
        const char *english;
        const char *chinese;
    } known[] = {
        {"Permission denied", "没有权限"},
        {"Operation not permitted", "不允许这样操作"},
        {"No such file or directory", "文件或文件夹不存在"},
        {"Filename refers to a directory", "这个名称是一个文件夹"},
        {"Is a directory", "这是一个文件夹"},
        {"Not a directory", "路径中有一项不是文件夹"},
        {"No space left on device", "磁盘已满"},
        {"Disk quota exceeded", "超出了磁盘配额"},
        {"Read-only file system", "文件系统是只读的"},
        {"File exists", "文件已存在"},
        {"File name too long", "文件名太长"},
        {"Too many open files", "打开的文件太多"},
        {"Input/output error", "读写设备出错"},
        {"Device or resource busy", "设备或资源正忙"},
        {"Invalid cross-device link", "不能跨磁盘移动"},
        {"Text file busy", "文件正在使用"},
        {"Existing file", "已有的文件不能写入"}, // QSaveFile: "Existing file %1 is not writable"
        {"Writing canceled by application", "写入被取消"},
        {"Unknown error", "未知错误"},
    };
    const QString detail = cleanComponentMessage(systemText.trimmed());
    for (const auto &entry : known)
        if (detail.startsWith(QLatin1String(entry.english), Qt::CaseInsensitive))
            return QStringLiteral("%1（%2）").arg(QString::fromUtf8(entry.chinese), detail);
    return detail;
}
