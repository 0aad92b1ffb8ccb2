#include "CentreRefusal.h"

#include <QDir>

#include <vector>

namespace {
// The words of a refusal, as the server and the system say them in English and in Chinese:
// a server set up on a Chinese system answers in Chinese, and the system's own words (a
// refused connection, a name not found) follow the desktop's language. libpq's own words are
// kept English (PostgresDialect).
using Words = std::vector<const char *>;

const Words kPasswordWrong{"password authentication failed", "Password 认证失败"};
const Words kPasswordMissing{"no password supplied"};
const Words kTls{"SSL", "certificate", "root.crt", "sslmode"};
const Words kNoRole{"role \"", "角色 \""};
const Words kNoDatabase{"database \"", "数据库 \""};
const Words kMissing{"does not exist", "不存在"};
const Words kHbaRefused{"no pg_hba.conf entry", "pg_hba.conf rejects", "pg_hba.conf 记录"};
const Words kNoHost{"could not translate host name"};
const Words kNoAnswer{"Connection refused",
                      "timeout expired",
                      "No such file or directory",
                      "No route to host",
                      "Network is unreachable",
                      "Connection timed out",
                      "拒绝连接",
                      "没有那个文件或目录",
                      "没有到主机的路由",
                      "网络不可达",
                      "连接超时"};
const Words kNotReady{"the database system is starting up", "the database system is shutting down",
                      "数据库系统启动中", "数据库系统停止中"};

bool says(const QString &text, const Words &words)
{
    for (const char *phrase : words)
        if (text.contains(QString::fromUtf8(phrase), Qt::CaseInsensitive))
            return true;
    return false;
}

// What was said of certificates, passwords and the server's rules, told so that the one who
// reads it knows what to check.
QString reason(const LedgerLocation &location, const QString &said)
{
    const auto has = [&said](const char *words) { return says(said, Words{words}); };
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
    if (says(said, kHbaRefused) && has("no encryption"))
        return QStringLiteral("服务器只接受用户 %1 的加密连接：请在地址中加上 sslmode=verify-full "
                              "和 sslrootcert=根证书文件")
            .arg(location.user);
    if (says(said, kHbaRefused))
        return QStringLiteral("服务器不允许用户 %1 从这台电脑连接").arg(location.user);
    if (says(said, kPasswordWrong))
        return QStringLiteral("用户 %1 的密码不对").arg(location.user);
    if (says(said, kPasswordMissing))
        return QStringLiteral("需要用户 %1 的密码：请写在 ~/.pgpass 中，或在连接时输入")
            .arg(location.user);
    if (says(said, kNoRole) && says(said, kMissing))
        return QStringLiteral("服务器上没有用户 %1").arg(location.user);
    if (says(said, kNoDatabase) && says(said, kMissing))
        return QStringLiteral("服务器上没有数据库 %1").arg(location.database);
    if (says(said, kNoHost))
        return QStringLiteral("找不到服务器“%1”：请检查服务器名称").arg(location.host);
    if (says(said, kNoAnswer))
        return QStringLiteral("服务器没有应答：请检查服务器名称和端口，以及服务器是否在运行");
    if (says(said, kNotReady))
        return QStringLiteral("服务器正在启动或停止：请稍后再试");
    return {};
}

// "无法连接<where>：<why>", the server's own words after it for the administrator.
QString text(const LedgerLocation &location, const QString &serverText)
{
    // libpq's message runs over lines, its second often a hint.
    const QString said = serverText.simplified();
    const QString why = reason(location, said);
    if (why.isEmpty())
        return QStringLiteral("无法连接%1：%2").arg(location.shown(), said);
    return QStringLiteral("无法连接%1：%2（服务器的原话：%3）").arg(location.shown(), why, said);
}
} // namespace

CentreRefusal::Kind CentreRefusal::kindOf(const QString &serverText)
{
    // A refused password first: with sslmode prefer libpq may say how each of its two tries
    // (with TLS, without) ended.
    if (says(serverText, kPasswordWrong) || says(serverText, kPasswordMissing) ||
        says(serverText, Words{"authentication failed", "fe_sendauth"}))
        return Kind::Password;
    if (says(serverText, kTls))
        return Kind::Tls;
    if (says(serverText, kNoDatabase) && says(serverText, kMissing))
        return Kind::NoDatabase;
    if (says(serverText, kNoRole) && says(serverText, kMissing))
        return Kind::NoUser;
    if (says(serverText, kNoHost) || says(serverText, kNoAnswer) || says(serverText, kNotReady) ||
        says(serverText, Words{"could not connect"}))
        return Kind::Unreachable;
    return Kind::Other;
}

CentreRefusal::CentreRefusal(const LedgerLocation &location, const QString &serverText)
    : Exception(text(location, serverText)), m_kind(kindOf(serverText))
{
}
