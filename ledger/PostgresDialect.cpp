#include "PostgresDialect.h"

#include "CentreRefusal.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
// The first key of the advisory lock every writer of an engagement takes: ours among the
// locks other programs may take on the same server.
constexpr int kLockSpace = 0x5256;

QString sqlState(const QSqlError &error)
{
    return error.nativeErrorCode();
}
} // namespace

PostgresDialect::PostgresDialect(LedgerLocation location, QString password)
    : m_location(std::move(location)), m_password(std::move(password))
{
}

QString PostgresDialect::schemaOf(qint64 engagementId)
{
    return QStringLiteral("rv_e%1").arg(engagementId);
}

QString PostgresDialect::driverName() const
{
    return QStringLiteral("QPSQL");
}

void PostgresDialect::configure(QSqlDatabase &db, bool) const
{
    // libpq words its own messages in the desktop's language where it has a translation, and
    // finds it once, at its first message: kept English, they tell one refusal from another
    // and are what an administrator looks up.
    qputenv("PGLOCALEDIR", "/nonexistent/roviradavev");
    // What a reviewer may not write the server refuses; the connection is the same.
    db.setHostName(m_location.host);
    db.setPort(m_location.port);
    db.setDatabaseName(m_location.database);
    db.setUserName(m_location.user);
    // Empty, libpq looks in PGPASSWORD and the password file itself.
    db.setPassword(m_password);
    db.setConnectOptions(m_location.connectOptions());
}

QString PostgresDialect::shownName() const
{
    return m_location.shown();
}

QString PostgresDialect::idColumn() const
{
    return QStringLiteral("BIGSERIAL PRIMARY KEY");
}

QString PostgresDialect::blobType() const
{
    return QStringLiteral("BYTEA");
}

void PostgresDialect::prepareConnection(QSqlDatabase &db) const
{
    QSqlQuery query(db);
    // A writer stuck behind another for this long is told so rather than left waiting.
    query.exec(QStringLiteral("SET lock_timeout = '30s'"));
    query.exec(QStringLiteral("SET client_encoding = 'UTF8'"));
    // The schema's name is made of the engagement's number, never of what a user typed.
    if (m_engagementId > 0)
        query.exec(QStringLiteral("SET search_path TO %1").arg(schema()));
    else
        query.exec(QStringLiteral("SET search_path TO public"));
}

QStringList PostgresDialect::beginWrite() const
{
    // Writers of one engagement take turns: the log's next entry follows the last one kept.
    return {
        QStringLiteral("BEGIN"),
        QStringLiteral("SELECT pg_advisory_xact_lock(%1, %2)").arg(kLockSpace).arg(m_engagementId)};
}

QString PostgresDialect::changeNotice() const
{
    return QStringLiteral("NOTIFY %1").arg(schema());
}

QString PostgresDialect::beginRead() const
{
    return QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
}

QString PostgresDialect::continueIds(const QString &table) const
{
    // The table's name is one of the schema's own, never a user's text.
    return QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', 'id'), "
                          "COALESCE((SELECT MAX(id) FROM %1), 0) + 1, false)")
        .arg(table);
}

void PostgresDialect::refuseConnection(const QSqlError &error) const
{
    throw CentreRefusal(m_location, error.databaseText().trimmed());
}

bool PostgresDialect::isBusy(const QSqlError &error) const
{
    const QString state = sqlState(error);
    return state == QLatin1String("40001") || state == QLatin1String("40P01") ||
           state == QLatin1String("55P03");
}

bool PostgresDialect::isReadOnly(const QSqlError &error) const
{
    return sqlState(error) == QLatin1String("25006");
}

bool PostgresDialect::isRefused(const QSqlError &error) const
{
    return sqlState(error) == QLatin1String("42501");
}

bool PostgresDialect::isConnectionLost(const QSqlError &error) const
{
    const QString state = sqlState(error);
    return error.type() == QSqlError::ConnectionError || state.startsWith(QLatin1String("08")) ||
           state == QLatin1String("57P01") || state == QLatin1String("57P02") ||
           state == QLatin1String("57P03") ||
           // A statement on a connection the server closed comes back without a state.
           (state.isEmpty() && (error.databaseText().contains(QLatin1String("server closed")) ||
                                error.databaseText().contains(QLatin1String("no connection"))));
}

void PostgresDialect::markAsLedger(QSqlDatabase &) const
{
    // The engagement's row in rv_engagements marks it.
}

bool PostgresDialect::isMarkedAsLedger(QSqlDatabase &db) const
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("SELECT to_regclass('%1.meta') IS NOT NULL").arg(schema())) &&
           query.next() && query.value(0).toBool();
}

bool PostgresDialect::backup(QSqlDatabase &, const QString &) const
{
    // The server keeps its own backups.
    return false;
}
