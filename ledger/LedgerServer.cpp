#include "LedgerServer.h"

#include "ServerConnection.h"
#include "platform/Exception.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace LedgerServer {

std::optional<qint64> engagementId(QSqlDatabase &db, const LedgerLocation &location,
                                   const QString &name)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT to_regclass('public.rv_engagements') IS NOT NULL")) ||
        !query.next())
        throw Exception(QStringLiteral("无法读取%1：%2")
                            .arg(location.shown(), query.lastError().databaseText()));
    if (!query.value(0).toBool())
        throw Exception(
            QStringLiteral("%1尚未设置为函证中心：请管理员先运行 "
                           "roviradavev-batch ledger init-server")
                .arg(LedgerLocation{
                    location.host, location.port, location.database, location.user, {}, {}, {}}
                         .shown()));
    query.prepare(QStringLiteral("SELECT id FROM public.rv_engagements WHERE name = ?"));
    query.addBindValue(name);
    if (!query.exec())
        throw Exception(QStringLiteral("无法读取%1的项目列表：%2")
                            .arg(location.shown(), query.lastError().databaseText()));
    if (!query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

QStringList grantStatements(const QString &)
{
    return {};
}

QStringList initialize(const LedgerLocation &location, const QString &password)
{
    ServerConnection server(location, password);
    QStringList done;
    server.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS public.rv_engagements (id BIGSERIAL "
                               "PRIMARY KEY, name TEXT NOT NULL UNIQUE, created_by TEXT NOT NULL, "
                               "created_at TEXT NOT NULL)"),
                QStringLiteral("建立项目列表"));
    done.append(QStringLiteral("项目列表 public.rv_engagements 已就绪"));
    return done;
}

QStringList engagements(const LedgerLocation &location, const QString &password)
{
    ServerConnection server(location, password);
    QSqlQuery query(server.db());
    // Those whose schema the user may enter: the roles' grants say which.
    query.prepare(QStringLiteral("SELECT name FROM public.rv_engagements WHERE "
                                 "has_schema_privilege('rv_e' || id, 'USAGE') ORDER BY id"));
    if (!query.exec()) {
        // A user who may not even read the list holds no role: there is nothing to open.
        if (query.lastError().nativeErrorCode() == QLatin1String("42501"))
            return {};
        // Says so when the database was never set up.
        engagementId(server.db(), location, QString());
        server.exec(query, QStringLiteral("读取项目列表"));
    }
    QStringList names;
    while (query.next())
        names.append(query.value(0).toString());
    names.sort();
    return names;
}

} // namespace LedgerServer
