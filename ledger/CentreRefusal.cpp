#include "CentreRefusal.h"

namespace {
bool says(const QString &text, std::initializer_list<const char *> phrases)
{
    for (const char *phrase : phrases)
        if (text.contains(QLatin1String(phrase), Qt::CaseInsensitive))
            return true;
    return false;
}

QString reasonOf(CentreRefusal::Kind kind, const QString &serverText)
{
    switch (kind) {
    case CentreRefusal::Kind::Unreachable:
        return QStringLiteral(
            "服务器无法访问，请检查服务器名称、端口和网络，或请管理员确认服务器已启动");
    case CentreRefusal::Kind::NoDatabase:
        return QStringLiteral("服务器上没有这个数据库，请检查数据库名称");
    case CentreRefusal::Kind::NoUser:
        return QStringLiteral("服务器上没有这个用户，请检查用户名，或请管理员为您建立用户");
    case CentreRefusal::Kind::Password:
        return serverText.contains(QLatin1String("no password supplied"))
                   ? QStringLiteral("服务器要求输入密码")
                   : QStringLiteral("密码不正确");
    case CentreRefusal::Kind::Tls:
        return QStringLiteral("加密连接（TLS）未能建立，请检查加密方式和根证书，或请管理员确认"
                              "服务器的证书");
    case CentreRefusal::Kind::Other:
        break;
    }
    return QStringLiteral("服务器拒绝了连接");
}
} // namespace

CentreRefusal::Kind CentreRefusal::kindOf(const QString &serverText)
{
    // libpq's own words (English whatever the client's locale). A refused password first:
    // with sslmode prefer libpq may say how each of its two tries (with TLS, without) ended.
    if (says(serverText, {"no password supplied", "password authentication failed",
                          "authentication failed", "fe_sendauth"}))
        return Kind::Password;
    if (says(serverText, {"SSL", "certificate", "root.crt", "sslmode"}))
        return Kind::Tls;
    if (serverText.contains(QLatin1String("database \"")) &&
        serverText.contains(QLatin1String("does not exist")))
        return Kind::NoDatabase;
    if (serverText.contains(QLatin1String("role \"")) &&
        serverText.contains(QLatin1String("does not exist")))
        return Kind::NoUser;
    if (says(serverText, {"Connection refused", "could not translate host name", "timeout expired",
                          "No route to host", "Network is unreachable", "could not connect",
                          "No such file or directory", "the database system is starting up",
                          "the database system is shutting down"}))
        return Kind::Unreachable;
    return Kind::Other;
}

CentreRefusal::CentreRefusal(const QString &shown, const QString &serverText)
    : Exception(QStringLiteral("无法连接%1：%2。（服务器的答复：%3）")
                    .arg(shown, reasonOf(kindOf(serverText), serverText), serverText.simplified())),
      m_kind(kindOf(serverText))
{
}
