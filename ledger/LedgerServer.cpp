#include "LedgerServer.h"

#include "LedgerSchema.h"
#include "LedgerStore.h"
#include "LetterColumns_p.h"
#include "PostgresDialect.h"
#include "ServerConnection.h"
#include "SqlBinding_p.h"
#include "platform/Exception.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace LedgerServer {

namespace {
// Whether the user may read the list of engagements, i.e. holds one of the roles. Raises
// Exception when the database was never set up.
bool mayReadList(QSqlDatabase &db, const LedgerLocation &location)
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
    return query.exec(QStringLiteral("SELECT has_table_privilege('public.rv_engagements', "
                                     "'SELECT')")) &&
           query.next() && query.value(0).toBool();
}
} // namespace

std::optional<qint64> engagementId(QSqlDatabase &db, const LedgerLocation &location,
                                   const QString &name)
{
    if (!mayReadList(db, location))
        throw Exception(QStringLiteral("无权打开%1：请管理员把您加入函证中心、项目组或复核角色")
                            .arg(location.shown()));
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT id FROM public.rv_engagements WHERE name = ?"));
    query.addBindValue(name);
    if (!query.exec())
        throw Exception(QStringLiteral("无法读取%1的项目列表：%2")
                            .arg(location.shown(), query.lastError().databaseText()));
    if (!query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

namespace {

QString roleNames(const QList<LedgerRole> &roles)
{
    QStringList names;
    for (const LedgerRole role : roles)
        names.append(LedgerRoles::serverRole(role));
    return names.join(QStringLiteral(", "));
}

const QList<LedgerRole> kAll{LedgerRole::Clerk, LedgerRole::Team, LedgerRole::Reviewer};

// The letters' columns each writer may update: the fields as LedgerRoles::forField gives
// them, and the columns the store's changes touch beside them.
QStringList letterColumnsOf(LedgerRole role)
{
    QStringList columns;
    for (int field = 0; field < LetterColumns::Count; ++field)
        if (LedgerRoles::forField(LetterField(field)).contains(role))
            columns.append(QLatin1String(LetterColumns::Fields[field]));
    // A reprint and every change of a letter count; a reply answers it; voiding is the team's.
    columns << QStringLiteral("reprints") << QStringLiteral("version");
    if (role == LedgerRole::Clerk)
        columns << QStringLiteral("answered");
    else
        columns << QStringLiteral("voided") << QStringLiteral("void_reason");
    return columns;
}

// Each policy by table and name, so that a run again can drop and make them anew.
const QList<QPair<QString, QString>> kPolicies{
    {QStringLiteral("meta"), QStringLiteral("rv_read")},
    {QStringLiteral("meta"), QStringLiteral("rv_clerk_keys")},
    {QStringLiteral("meta"), QStringLiteral("rv_team_keys")},
    {QStringLiteral("log"), QStringLiteral("rv_read")},
    {QStringLiteral("log"), QStringLiteral("rv_own_entries")},
};

// The policies on meta: everyone with a role reads it; the clerk moves the log's head only,
// the team the tolerance too. No one but its owner adds a row or changes another. On the log:
// everyone reads it, and a writer adds entries in the name it connected with, no other.
QStringList policies(const QString &schema)
{
    const QString clerkKeys = QStringLiteral("key = 'log_head'");
    const QString teamKeys = QStringLiteral("key IN ('log_head', 'tolerance_cents')");
    return {
        QStringLiteral("ALTER TABLE %1.meta ENABLE ROW LEVEL SECURITY").arg(schema),
        QStringLiteral("CREATE POLICY %1 ON %2.meta FOR SELECT TO %3 USING (true)")
            .arg(kPolicies[0].second, schema, roleNames(kAll)),
        QStringLiteral("CREATE POLICY %1 ON %2.meta FOR UPDATE TO %3 USING (%4) WITH CHECK (%4)")
            .arg(kPolicies[1].second, schema, LedgerRoles::serverRole(LedgerRole::Clerk),
                 clerkKeys),
        QStringLiteral("CREATE POLICY %1 ON %2.meta FOR UPDATE TO %3 USING (%4) WITH CHECK (%4)")
            .arg(kPolicies[2].second, schema, LedgerRoles::serverRole(LedgerRole::Team), teamKeys),
        QStringLiteral("ALTER TABLE %1.log ENABLE ROW LEVEL SECURITY").arg(schema),
        QStringLiteral("CREATE POLICY %1 ON %2.log FOR SELECT TO %3 USING (true)")
            .arg(kPolicies[3].second, schema, roleNames(kAll)),
        QStringLiteral("CREATE POLICY %1 ON %2.log FOR INSERT TO %3 WITH CHECK (username = "
                       "session_user)")
            .arg(kPolicies[4].second, schema, roleNames(LedgerRoles::writers())),
    };
}

} // namespace

QStringList grantStatements(const QString &schema)
{
    const QString clerk = LedgerRoles::serverRole(LedgerRole::Clerk);
    const QString team = LedgerRoles::serverRole(LedgerRole::Team);
    const QString writers = roleNames(LedgerRoles::writers());
    const QString everyone = roleNames(kAll);
    QStringList statements{
        QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(schema, everyone),
        QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA %1 TO %2").arg(schema, everyone),
        QStringLiteral("GRANT USAGE ON ALL SEQUENCES IN SCHEMA %1 TO %2").arg(schema, writers),
        // The log only grows: no one is given UPDATE or DELETE on it.
        QStringLiteral("GRANT INSERT ON %1.log TO %2").arg(schema, writers),
        QStringLiteral("GRANT UPDATE (value) ON %1.meta TO %2").arg(schema, writers),
        // Letters printed, by either writer.
        QStringLiteral("GRANT INSERT ON %1.runs, %1.letters, %1.sendings, %1.letter_pdfs TO %2")
            .arg(schema, writers),
        // Dispatch and replies stay with the centre.
        QStringLiteral("GRANT INSERT ON %1.replies, %1.messages, %1.address_checks TO %2")
            .arg(schema, clerk),
        // Results and what stands behind them are the team's.
        QStringLiteral("GRANT INSERT, DELETE ON %1.parties, %1.reconciling_items, "
                       "%1.alternative_procedures, %1.alternative_evidence TO %2")
            .arg(schema, team),
        QStringLiteral("GRANT INSERT ON %1.selections, %1.selection_rounds, %1.selection_rows, "
                       "%1.selection_picks TO %2")
            .arg(schema, team),
    };
    for (const LedgerRole role : LedgerRoles::writers())
        statements.append(QStringLiteral("GRANT UPDATE (%1) ON %2.letters TO %3")
                              .arg(letterColumnsOf(role).join(QStringLiteral(", ")), schema,
                                   LedgerRoles::serverRole(role)));
    // The team sets the tolerance by updating its row, which only the owner may add.
    statements.append(QStringLiteral("INSERT INTO %1.meta (key, value) SELECT 'tolerance_cents', "
                                     "'0' WHERE NOT EXISTS (SELECT 1 FROM %1.meta WHERE key = "
                                     "'tolerance_cents')")
                          .arg(schema));
    return statements + policies(schema);
}

namespace {

// What the grants, policies and rows of a schema are now, to tell whether a run changed them.
QString grantsState(ServerConnection &server, const QString &schema)
{
    QSqlQuery query(server.db());
    query.prepare(
        QStringLiteral(
            "SELECT string_agg(x, '|' ORDER BY x) FROM ("
            "SELECT 'n' || coalesce(nspacl::text, '') FROM pg_namespace WHERE nspname = ? "
            "UNION ALL SELECT 'c' || relname || coalesce(relacl::text, '') || relrowsecurity::text "
            "FROM pg_class WHERE relnamespace = (SELECT oid FROM pg_namespace WHERE nspname = ?) "
            "UNION ALL SELECT 'a' || c.relname || a.attname || a.attacl::text FROM pg_attribute a "
            "JOIN pg_class c ON c.oid = a.attrelid WHERE a.attacl IS NOT NULL AND c.relnamespace = "
            "(SELECT oid FROM pg_namespace WHERE nspname = ?) "
            "UNION ALL SELECT 'p' || policyname || cmd || array_to_string(roles, ',') || "
            "coalesce(qual, '') || coalesce(with_check, '') FROM pg_policies WHERE schemaname = ? "
            "UNION ALL SELECT 'r' || count(*) FROM %1.meta) t(x)")
            .arg(schema));
    bindAll(query, {schema, schema, schema, schema});
    server.exec(query, QStringLiteral("读取权限"));
    return query.next() ? query.value(0).toString() : QString();
}

// One value the statement reads.
QVariant valueOf(ServerConnection &server, const QString &statement, const QString &what)
{
    QSqlQuery query(server.db());
    query.prepare(statement);
    server.exec(query, what);
    return query.next() ? query.value(0) : QVariant();
}

// Makes the role unless it is there; says which.
QString makeRole(ServerConnection &server, LedgerRole role, bool &made)
{
    const QString name = LedgerRoles::serverRole(role);
    QSqlQuery query(server.db());
    query.prepare(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"));
    query.addBindValue(name);
    server.exec(query, QStringLiteral("读取角色"));
    made = !query.next();
    if (!made)
        return QStringLiteral("角色 %1（%2）已存在，未改动").arg(name, LedgerRoles::shown(role));
    server.exec(QStringLiteral("CREATE ROLE %1 NOLOGIN").arg(name),
                QStringLiteral("建立角色 %1").arg(name));
    return QStringLiteral("已建立角色 %1（%2）").arg(name, LedgerRoles::shown(role));
}

// Runs 'statements' in one transaction: all or none.
void runAll(ServerConnection &server, const QStringList &statements, const QString &what)
{
    server.exec(QStringLiteral("BEGIN"), what);
    try {
        for (const QString &statement : statements)
            server.exec(statement, what);
        server.exec(QStringLiteral("COMMIT"), what);
    } catch (...) {
        QSqlQuery(server.db()).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

} // namespace

QStringList initialize(const LedgerLocation &location, const QString &password)
{
    LedgerLocation database = location;
    database.engagement.clear();
    ServerConnection server(database, password);
    // What it did it says itself; the server's notices of things already there are noise.
    server.exec(QStringLiteral("SET client_min_messages TO warning"), QStringLiteral("连接"));
    QSqlQuery query(server.db());
    query.prepare(QStringLiteral("SELECT current_user, rolsuper OR rolcreaterole FROM pg_roles "
                                 "WHERE rolname = current_user"));
    server.exec(query, QStringLiteral("读取用户"));
    if (query.next() && !query.value(1).toBool())
        throw Exception(QStringLiteral("只有数据库的管理员（超级用户或有 CREATEROLE 权限的用户）"
                                       "才能设置函证中心；用户 %1 不是，未作改动")
                            .arg(query.value(0).toString()));
    QStringList done;
    int changes = 0;
    const auto note = [&](const QString &line, bool changed) {
        done.append(line);
        changes += changed ? 1 : 0;
    };
    const bool listed =
        valueOf(server, QStringLiteral("SELECT to_regclass('public.rv_engagements') IS NOT NULL"),
                QStringLiteral("读取项目列表"))
            .toBool();
    server.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS public.rv_engagements (id BIGSERIAL "
                               "PRIMARY KEY, name TEXT NOT NULL UNIQUE, created_by TEXT NOT NULL, "
                               "created_at TEXT NOT NULL)"),
                QStringLiteral("建立项目列表"));
    note(listed ? QStringLiteral("项目列表 public.rv_engagements 已存在，未改动")
                : QStringLiteral("已建立项目列表 public.rv_engagements"),
         !listed);
    for (const LedgerRole role : kAll) {
        bool made = false;
        const QString line = makeRole(server, role, made);
        note(line, made);
    }
    // The roles read the list; only the administrator adds to it.
    const QString aclQuery = QStringLiteral("SELECT coalesce(relacl::text, '') FROM pg_class "
                                            "WHERE oid = 'public.rv_engagements'::regclass");
    const QVariant before = valueOf(server, aclQuery, QStringLiteral("读取权限"));
    server.exec(QStringLiteral("GRANT SELECT ON public.rv_engagements TO %1").arg(roleNames(kAll)),
                QStringLiteral("授予读取项目列表的权限"));
    const bool granted = valueOf(server, aclQuery, QStringLiteral("读取权限")) != before;
    note(granted ? QStringLiteral("已允许各角色读取项目列表")
                 : QStringLiteral("各角色读取项目列表的权限已就绪，未改动"),
         granted);

    query.prepare(QStringLiteral("SELECT id, name FROM public.rv_engagements ORDER BY id"));
    server.exec(query, QStringLiteral("读取项目列表"));
    QList<QPair<qint64, QString>> all;
    while (query.next())
        all.append({query.value(0).toLongLong(), query.value(1).toString()});
    for (const auto &[id, name] : all) {
        LedgerLocation at = database;
        at.engagement = name;
        const QString schema = PostgresDialect::schemaOf(id);
        const QString shown = QStringLiteral("项目“%1”（%2）").arg(name, schema);
        const int version = LedgerStore::upgradeOnServer(at, password);
        if (version < LedgerSchema::Current)
            note(QStringLiteral("%1已从结构版本 %2 升级到 %3")
                     .arg(shown)
                     .arg(version)
                     .arg(LedgerSchema::Current),
                 true);
        const QString was = grantsState(server, schema);
        QStringList statements;
        for (const auto &[table, policy] : kPolicies)
            statements.append(
                QStringLiteral("DROP POLICY IF EXISTS %1 ON %2.%3").arg(policy, schema, table));
        runAll(server, statements + grantStatements(schema),
               QStringLiteral("授予%1的权限").arg(shown));
        const bool changed = grantsState(server, schema) != was;
        note(changed ? QStringLiteral("%1：已授予各角色的权限").arg(shown)
                     : QStringLiteral("%1的权限已就绪，未改动").arg(shown),
             changed);
    }
    done.append(changes ? QStringLiteral("函证中心设置完成：%1 项改动").arg(changes)
                        : QStringLiteral("函证中心早已设置完成，本次未作任何改动"));
    return done;
}

QStringList engagements(const LedgerLocation &location, const QString &password)
{
    ServerConnection server(location, password);
    // Set up, but not for this user: there is nothing the user may open.
    if (!mayReadList(server.db(), location))
        return {};
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
