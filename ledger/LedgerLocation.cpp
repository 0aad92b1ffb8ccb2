#include "LedgerLocation.h"

#include "platform/Exception.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace {
const QStringList schemes{QStringLiteral("postgresql"), QStringLiteral("postgres")};
}

bool LedgerLocation::isServer(const QString &text)
{
    const QString trimmed = text.trimmed();
    for (const QString &scheme : schemes)
        if (trimmed.startsWith(scheme + QStringLiteral("://"), Qt::CaseInsensitive))
            return true;
    return false;
}

QStringList LedgerLocation::sslModes()
{
    return {QStringLiteral("disable"), QStringLiteral("allow"),     QStringLiteral("prefer"),
            QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
}

LedgerLocation LedgerLocation::parse(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    // Said back without a password someone wrote into it: messages end up in logs and mails.
    static const QRegularExpression password(QStringLiteral("^([A-Za-z]+://[^/@:]*):[^@?#]*@"));
    const QString shown = QString(text.trimmed()).replace(password, QStringLiteral("\\1@"));
    const auto refuse = [&](const QString &why) {
        return Exception(QStringLiteral("函证中心地址“%1”不正确：%2").arg(shown, why));
    };
    if (!url.isValid() || !schemes.contains(url.scheme().toLower()))
        throw refuse(QStringLiteral("应为 postgresql://用户@服务器:端口/数据库?engagement=项目"));
    if (!url.password().isEmpty())
        throw refuse(QStringLiteral("地址中不能写密码；密码请放在 ~/.pgpass 中，或在连接时输入"));
    LedgerLocation location;
    const QUrlQuery query(url);
    location.host = url.host();
    if (query.hasQueryItem(QStringLiteral("host")))
        location.host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    location.port = url.port(5432);
    if (query.hasQueryItem(QStringLiteral("port"))) {
        bool ok = false;
        location.port = query.queryItemValue(QStringLiteral("port")).toInt(&ok);
        if (!ok || location.port <= 0 || location.port > 65535)
            throw refuse(QStringLiteral("端口应为 1 到 65535 之间的数"));
    }
    location.database = url.path(QUrl::FullyDecoded).mid(1);
    location.user = url.userName(QUrl::FullyDecoded);
    location.engagement =
        query.queryItemValue(QStringLiteral("engagement"), QUrl::FullyDecoded).trimmed();
    location.sslMode = query.queryItemValue(QStringLiteral("sslmode"), QUrl::FullyDecoded);
    location.sslRootCert = query.queryItemValue(QStringLiteral("sslrootcert"), QUrl::FullyDecoded);
    if (location.database.isEmpty())
        throw refuse(QStringLiteral("没有写数据库名"));
    if (!location.sslMode.isEmpty() && !sslModes().contains(location.sslMode))
        throw refuse(
            QStringLiteral("sslmode 应为 %1 之一").arg(sslModes().join(QStringLiteral("、"))));
    return location;
}

QString LedgerLocation::text() const
{
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    QUrlQuery query;
    // A socket's folder cannot be the address's host part: it goes after, in place of it.
    const bool socket = host.startsWith(QLatin1Char('/'));
    url.setHost(host.isEmpty() || socket ? QStringLiteral("localhost") : host);
    if (socket) {
        query.addQueryItem(QStringLiteral("host"),
                           QString::fromLatin1(QUrl::toPercentEncoding(host)));
        query.addQueryItem(QStringLiteral("port"), QString::number(port));
    } else {
        url.setPort(port);
    }
    url.setUserName(user);
    url.setPath(QLatin1Char('/') + database);
    const auto add = [&](const QString &key, const QString &value) {
        if (!value.isEmpty())
            query.addQueryItem(key, QString::fromUtf8(QUrl::toPercentEncoding(value)));
    };
    add(QStringLiteral("engagement"), engagement);
    add(QStringLiteral("sslmode"), sslMode);
    add(QStringLiteral("sslrootcert"), sslRootCert);
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

QString LedgerLocation::shown() const
{
    const QString server = host.startsWith(QLatin1Char('/')) || host.isEmpty()
                               ? QStringLiteral("本机")
                               : QStringLiteral("%1:%2").arg(host).arg(port);
    const QString place = QStringLiteral("函证中心 %1/%2").arg(server, database);
    return engagement.isEmpty() ? place : QStringLiteral("%1 的项目“%2”").arg(place, engagement);
}

QString LedgerLocation::connectOptions() const
{
    QStringList options{QStringLiteral("connect_timeout=10"),
                        QStringLiteral("application_name=roviradavev")};
    if (!sslMode.isEmpty())
        options.append(QStringLiteral("sslmode=") + sslMode);
    if (!sslRootCert.isEmpty()) {
        // Quoted as libpq reads a value, since a folder's name may hold spaces.
        QString quoted = sslRootCert;
        quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
            .replace(QLatin1Char('\''), QStringLiteral("\\'"));
        options.append(QStringLiteral("sslrootcert='%1'").arg(quoted));
    }
    return options.join(QLatin1Char(';'));
}
