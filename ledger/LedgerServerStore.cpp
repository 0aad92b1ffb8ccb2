// The ledger on the confirmation centre's server: making and opening an engagement, the
// connected user and roles, the server's notices of changes, a dropped connection.
#include "LedgerStore.h"

#include "LedgerSchema.h"
#include "LedgerServer.h"
#include "LogChain.h"
#include "PostgresDialect.h"
#include "SqlBinding_p.h"
#include "platform/Exception.h"

#include <QObject>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

namespace {
// How often a watched ledger looks whether the server dropped its connection.
constexpr int kHeartbeatMs = 3000;
// How many beats a watched ledger waits after the server could not be reached.
constexpr int kRestingBeats = 4;

QString rolesText(const QList<LedgerRole> &roles)
{
    QStringList names;
    for (const LedgerRole role : roles)
        names.append(QStringLiteral("“%1”").arg(LedgerRoles::shown(role)));
    return names.join(QStringLiteral("或"));
}
} // namespace

std::unique_ptr<LedgerStore> LedgerStore::createOnServer(const LedgerLocation &location,
                                                         const QString &engagement,
                                                         const QString &password)
{
    return makeOnServer(location, engagement, password,
                        [&engagement](LedgerStore &store) { store.fillNew(engagement.trimmed()); });
}

std::unique_ptr<LedgerStore> LedgerStore::makeOnServer(const LedgerLocation &location,
                                                       const QString &engagement,
                                                       const QString &password, const Filling &fill)
{
    const QString name = engagement.trimmed();
    if (name.isEmpty())
        throw Exception(QStringLiteral("请填写审计项目的名称，函证台账未建立"));
    LedgerLocation at = location;
    at.engagement = name;
    auto owned = std::make_unique<PostgresDialect>(at, password);
    PostgresDialect *dialect = owned.get();
    std::unique_ptr<LedgerStore> store(new LedgerStore(at.text(), std::move(owned)));
    store->connect(false);
    store->readServerUser();
    if (!store->m_administrator)
        throw Exception(
            QStringLiteral("只有函证中心的管理员（运行 init-server 的用户）才能建立项目；"
                           "用户 %1 不能建立%2，未作改动")
                .arg(store->m_logUser, at.shown()));
    if (LedgerServer::engagementId(store->m_db, at, name))
        throw Exception(QStringLiteral("%1已存在，未作改动；请另起项目名称").arg(at.shown()));
    // The engagement, its schema, tables, grants and first log entry: all or none.
    QSqlQuery query(store->m_db);
    const auto run = [&](const QString &statement) {
        if (!query.exec(statement))
            store->fail(QStringLiteral("建立"), query.lastError());
    };
    run(QStringLiteral("BEGIN"));
    try {
        query.prepare(QStringLiteral("INSERT INTO public.rv_engagements (name, created_by, "
                                     "created_at) VALUES (?, session_user, ?) RETURNING id"));
        bindAll(query, {name, LogChain::timeText(QDateTime::currentDateTimeUtc())});
        if (!query.exec() || !query.next())
            store->fail(QStringLiteral("建立"), query.lastError());
        dialect->useEngagement(query.value(0).toLongLong());
        run(QStringLiteral("CREATE SCHEMA %1").arg(dialect->schema()));
        run(QStringLiteral("SET LOCAL search_path TO %1").arg(dialect->schema()));
        for (const QString &statement : LedgerSchema::create(*dialect))
            run(statement);
        store->m_logId = 0;
        store->m_logHash.clear();
        fill(*store);
        // After the filling: the grants add the meta rows the roles update where a copy
        // brought none.
        for (const QString &statement : LedgerServer::grantStatements(dialect->schema()))
            run(statement);
        query.prepare(QStringLiteral("UPDATE meta SET value = ? WHERE key = 'log_head'"));
        bindAll(query, {QStringLiteral("%1:%2")
                            .arg(store->m_logId)
                            .arg(QString::fromLatin1(store->m_logHash))});
        if (!query.exec())
            store->fail(QStringLiteral("建立"), query.lastError());
        run(QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(store->m_db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
    dialect->prepareConnection(store->m_db);
    return store;
}

std::unique_ptr<LedgerStore> LedgerStore::connectOnServer(const LedgerLocation &location,
                                                          const QString &password)
{
    if (location.engagement.isEmpty())
        throw Exception(QStringLiteral("函证中心地址“%1”没有指明项目（engagement=项目名称）")
                            .arg(location.text()));
    auto owned = std::make_unique<PostgresDialect>(location, password);
    PostgresDialect *dialect = owned.get();
    std::unique_ptr<LedgerStore> store(new LedgerStore(location.text(), std::move(owned)));
    store->connect(false);
    const auto id = LedgerServer::engagementId(store->m_db, location, location.engagement);
    if (!id)
        throw Exception(QStringLiteral("%1不存在（或您无权打开它）").arg(location.shown()));
    dialect->useEngagement(*id);
    dialect->prepareConnection(store->m_db);
    store->readServerUser();
    if (!dialect->isMarkedAsLedger(store->m_db))
        throw Exception(QStringLiteral("无权打开%1：请管理员把您加入函证中心、项目组或复核角色")
                            .arg(location.shown()));
    const int version = store->schemaVersion();
    if (version > LedgerSchema::Current)
        throw Exception(
            QStringLiteral("%1由较新版本的程序建立（结构版本 %2），本程序只能打开结构版本 %3 "
                           "及以前的台账；请升级本程序")
                .arg(location.shown())
                .arg(version)
                .arg(LedgerSchema::Current));
    if (version < 1)
        throw Exception(QStringLiteral("%1已损坏：没有结构版本").arg(location.shown()));
    return store;
}

std::unique_ptr<LedgerStore> LedgerStore::openOnServer(const LedgerLocation &location,
                                                       const QString &password)
{
    std::unique_ptr<LedgerStore> store = connectOnServer(location, password);
    if (store->schemaVersion() < LedgerSchema::Current)
        throw Exception(QStringLiteral("%1需要升级到结构版本 %2：请管理员运行 roviradavev-batch "
                                       "ledger init-server")
                            .arg(location.shown())
                            .arg(LedgerSchema::Current));
    if (!store->hasRole(LedgerRole::Clerk) && !store->hasRole(LedgerRole::Team))
        store->m_readOnlyReason = QStringLiteral("您在函证中心是复核角色，只能查看");
    return store;
}

int LedgerStore::upgradeOnServer(const LedgerLocation &location, const QString &password)
{
    std::unique_ptr<LedgerStore> store = connectOnServer(location, password);
    const int version = store->schemaVersion();
    if (version >= LedgerSchema::Current)
        return version;
    if (!store->m_administrator)
        throw Exception(
            QStringLiteral("只有函证中心的管理员才能升级%1；用户 %2 不是管理员，未作改动")
                .arg(location.shown(), store->m_logUser));
    store->upgradeFrom(version);
    return version;
}

bool LedgerStore::onServer() const
{
    return dynamic_cast<const PostgresDialect *>(m_dialect.get()) != nullptr;
}

void LedgerStore::readServerUser()
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT session_user, has_table_privilege("
                                   "'public.rv_engagements', 'INSERT')")) ||
        !query.next())
        fail(QStringLiteral("读取"), query.lastError());
    m_logUser = query.value(0).toString();
    m_roles.clear();
    m_administrator = query.value(1).toBool();
    if (m_administrator) {
        // The administrator, who set the server up, may do all of it.
        m_roles = {LedgerRole::Clerk, LedgerRole::Team, LedgerRole::Reviewer};
        return;
    }
    for (const LedgerRole role : {LedgerRole::Clerk, LedgerRole::Team, LedgerRole::Reviewer}) {
        query.prepare(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ? AND "
                                     "pg_has_role(session_user, oid, 'MEMBER')"));
        query.addBindValue(LedgerRoles::serverRole(role));
        if (!query.exec())
            fail(QStringLiteral("读取"), query.lastError());
        if (query.next())
            m_roles.append(role);
    }
}

bool LedgerStore::hasRole(LedgerRole role) const
{
    return !onServer() || m_roles.contains(role);
}

void LedgerStore::requireRole(std::initializer_list<LedgerRole> roles) const
{
    requireRole(QList<LedgerRole>(roles));
}

void LedgerStore::requireRole(const QList<LedgerRole> &roles) const
{
    m_required = roles;
    for (const LedgerRole role : roles)
        if (hasRole(role))
            return;
    throw Exception(QStringLiteral("这项修改需要%1角色；用户 %2 在函证中心没有这一角色，未作改动")
                        .arg(rolesText(m_required), m_logUser));
}

QString LedgerStore::refusedText(const QString &what) const
{
    if (m_required.isEmpty())
        return QStringLiteral("函证中心拒绝了%1：用户 %2 没有所需的权限，未作改动")
            .arg(what, m_logUser);
    return QStringLiteral("函证中心拒绝了%1：这项修改需要%2角色，用户 %3 没有，未作改动")
        .arg(what, rolesText(m_required), m_logUser);
}

void LedgerStore::watchChanges(QObject *context, const std::function<void()> &changed) const
{
    if (!onServer())
        return;
    m_watched = true;
    subscribe();
    QSqlDriver *driver = m_db.driver();
    QObject::connect(
        driver, &QSqlDriver::notification, context,
        [changed](const QString &, QSqlDriver::NotificationSource source, const QVariant &) {
            // This program's own writes it knows of already.
            if (source == QSqlDriver::OtherSource)
                changed();
        });
    // A server restarted drops the connection and the LISTEN with it, silently: looked at
    // now and then, so that changes are heard again without the user doing anything. The
    // timer goes with the connection, so it never outlives the ledger.
    auto *heartbeat = new QTimer(driver);
    heartbeat->setInterval(kHeartbeatMs);
    // After a failed try the server is left alone a while: a network that times out would
    // hold the window for connect_timeout at every beat.
    QObject::connect(heartbeat, &QTimer::timeout, context, [this, changed, resting = 0]() mutable {
        if (m_writing || resting-- > 0)
            return;
        if (!m_connectionLost && m_db.isOpen()) {
            QSqlQuery probe(m_db);
            if (probe.exec(QStringLiteral("SELECT 1")) ||
                !m_dialect->isConnectionLost(probe.lastError()))
                return;
        }
        try {
            reopen();
        } catch (const Exception &) {
            resting = kRestingBeats;
            return;
        }
        // What other programs wrote while the connection was down.
        changed();
    });
    heartbeat->start();
}

void LedgerStore::subscribe() const
{
    const QString channel = static_cast<const PostgresDialect &>(*m_dialect).schema();
    QSqlDriver *driver = m_db.driver();
    if (!driver->subscribedToNotifications().contains(channel))
        driver->subscribeToNotification(channel);
}

void LedgerStore::reconnectIfLost()
{
    if (m_connectionLost)
        reopen();
}
