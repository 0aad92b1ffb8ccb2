#include "CentreRefusal.h"

#include <QDir>

namespace {
bool says(const QString &text, std::initializer_list<const char *> phrases)
{
    for (const char *phrase : phrases)
        if (text.contains(QLatin1String(phrase), Qt::CaseInsensitive))
            return true;
    return false;
}

// What libpq says of certificates, passwords and the server's rules, told so that the one who
// reads it knows what to check.
QString reason(const LedgerLocation &location, const QString &said)
{
    const auto has = [&said](const char *words) { return says(said, {words}); };
    const QString rootCert = location.sslRootCert.isEmpty()
                                 ? QStringLiteral("~/.postgresql/root.crt")
                                 : QDir::toNativeSeparators(location.sslRootCert);
    if (has("root certificate file") && has("does not exist"))
        return QStringLiteral("找不到用来验证服务器证书的根证书文件“%1”").arg(rootCert);
    if (has("does not match host name"))
        return QStringLiteral("服务器证书上的名称与地址中的服务器“%1”不符，连接可能被冒充；"
                              "请按证书上的名称填写服务器")
            .arg(location.host);
    if (has("certificate verify failed") || has("certificate has expired") ||
        has("self-signed certificate") || has("unable to get local issuer"))
        return QStringLiteral("服务器证书未通过验证：它不是由根证书“%1”中的证书机构签发的"
                              "（或已过期），连接可能被冒充")
            .arg(rootCert);
    if (has("server does not support SSL"))
        return QStringLiteral("服务器不接受加密连接，而地址要求加密（sslmode=%1）")
            .arg(location.sslMode);
    if ((has("no pg_hba.conf entry") || has("pg_hba.conf rejects")) && has("no encryption"))
        return QStringLiteral("服务器只接受用户 %1 的加密连接：请在地址中加上 sslmode=verify-full "
                              "和 sslrootcert=根证书文件")
            .arg(location.user);
    if (has("no pg_hba.conf entry") || has("pg_hba.conf rejects"))
        return QStringLiteral("服务器不允许用户 %1 从这台电脑连接").arg(location.user);
    if (has("password authentication failed"))
        return QStringLiteral("用户 %1 的密码不对").arg(location.user);
    if (has("no password supplied"))
        return QStringLiteral("需要用户 %1 的密码：请写在 ~/.pgpass 中，或在连接时输入")
            .arg(location.user);
    if (has("role \"") && has("does not exist"))
        return QStringLiteral("服务器上没有用户 %1").arg(location.user);
    if (has("database \"") && has("does not exist"))
        return QStringLiteral("服务器上没有数据库 %1").arg(location.database);
    if (has("could not translate host name"))
        return QStringLiteral("找不到服务器“%1”：请检查服务器名称").arg(location.host);
    if (has("Connection refused") || has("timeout expired") || has("No such file or directory"))
        return QStringLiteral("服务器没有应答：请检查服务器名称和端口，以及服务器是否在运行");
    return {};
}
// "无法连接<where>：<why>", the server's own words after it for the administrator.
QString text(const LedgerLocation &location, const QString &serverText)
{
    // libpq's message runs over lines, its second often a hint in English.
    const QString said = serverText.simplified();
    const QString why = reason(location, said);
    if (why.isEmpty())
        return QStringLiteral("无法连接%1：%2").arg(location.shown(), said);
    return QStringLiteral("无法连接%1：%2（服务器的原话：%3）").arg(location.shown(), why, said);
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

CentreRefusal::CentreRefusal(const LedgerLocation &location, const QString &serverText)
    : Exception(text(location, serverText)), m_kind(kindOf(serverText))
{
}
