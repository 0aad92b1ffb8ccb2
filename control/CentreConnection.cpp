#include "CentreConnection.h"

#include "ledger/LedgerServer.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"

#include <QHash>
#include <QSettings>

#include <pwd.h>
#include <unistd.h>

namespace CentreConnection {

namespace {
const QString LastKey = QStringLiteral("centre/last");

// Passwords given this session, by server and user; gone when the program ends.
QHash<QString, QString> &sessionPasswords()
{
    static QHash<QString, QString> passwords;
    return passwords;
}

QString sessionKey(const LedgerLocation &location)
{
    return location.user + QLatin1Char('@') + keyringServer(location);
}

QString systemUser()
{
    if (const passwd *entry = getpwuid(geteuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}
} // namespace

QString keyringServer(const LedgerLocation &location)
{
    return QStringLiteral("postgresql://%1:%2/%3")
        .arg(location.host)
        .arg(location.port)
        .arg(location.database);
}

CentreFields initialFields()
{
    const QString last = lastAddress();
    if (!last.isEmpty()) {
        try {
            return fieldsOf(LedgerLocation::parse(last));
        } catch (const Exception &) {
            // A setting edited by hand: the defaults instead.
        }
    }
    CentreFields fields;
    fields.user = systemUser();
    return fields;
}

LedgerLocation locationOf(const CentreFields &fields, const QString &engagement)
{
    const auto required = [](const QString &text, const QString &name) {
        if (text.trimmed().isEmpty())
            throw Exception(QStringLiteral("请填写%1").arg(name));
        return text.trimmed();
    };
    LedgerLocation location;
    location.host = required(fields.host, QStringLiteral("服务器"));
    if (fields.port <= 0 || fields.port > 65535)
        throw Exception(QStringLiteral("端口应为 1 到 65535 之间的数"));
    location.port = fields.port;
    location.database = required(fields.database, QStringLiteral("数据库"));
    location.user = required(fields.user, QStringLiteral("用户"));
    location.sslMode = fields.sslMode;
    if (!LedgerLocation::sslModes().contains(location.sslMode))
        throw Exception(QStringLiteral("加密方式应为 %1 之一")
                            .arg(LedgerLocation::sslModes().join(QStringLiteral("、"))));
    location.sslRootCert = fields.rootCert.trimmed();
    const bool verifies = location.sslMode.startsWith(QLatin1String("verify-"));
    if (verifies && location.sslRootCert.isEmpty())
        throw Exception(QStringLiteral("加密方式 %1 要核对服务器的证书：请选择根证书文件")
                            .arg(location.sslMode));
    location.engagement = engagement.trimmed();
    return location;
}

CentreFields fieldsOf(const LedgerLocation &location)
{
    CentreFields fields;
    fields.host = location.host;
    fields.port = location.port;
    fields.database = location.database;
    fields.user = location.user.isEmpty() ? systemUser() : location.user;
    if (!location.sslMode.isEmpty())
        fields.sslMode = location.sslMode;
    fields.rootCert = location.sslRootCert;
    return fields;
}

QString sessionPassword(const LedgerLocation &location)
{
    return sessionPasswords().value(sessionKey(location));
}

void keepForSession(const LedgerLocation &location, const QString &password)
{
    if (!password.isEmpty())
        sessionPasswords().insert(sessionKey(location), password);
}

QStringList engagements(const CentreFields &fields, const QString &password)
{
    const LedgerLocation location = locationOf(fields);
    const QStringList names = LedgerServer::engagements(location, password);
    if (names.isEmpty())
        throw Exception(QStringLiteral("您在此函证中心没有可以打开的项目（%1，用户 %2）：请管理员"
                                       "把您加入项目所需的角色，或先建立项目")
                            .arg(location.shown(), location.user));
    return names;
}

std::unique_ptr<LedgerStore> open(const CentreFields &fields, const QString &engagement,
                                  const QString &password)
{
    if (engagement.trimmed().isEmpty())
        throw Exception(QStringLiteral("请先点击“连接”，再从列表中选择要打开的项目"));
    const LedgerLocation location = locationOf(fields, engagement);
    std::unique_ptr<LedgerStore> store = LedgerStore::openOnServer(location, password);
    QSettings().setValue(LastKey, location.text());
    return store;
}

QString lastAddress()
{
    return QSettings().value(LastKey).toString();
}

} // namespace CentreConnection
