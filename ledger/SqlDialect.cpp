#include "SqlDialect.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

namespace {
// "RVLG": what PRAGMA application_id holds in every ledger file, so another program's
// SQLite file is told from ours.
constexpr int kApplicationId = 0x52564C47;

int sqliteCode(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xff;
}
} // namespace

QString SqliteDialect::driverName() const
{
    return QStringLiteral("QSQLITE");
}

void SqliteDialect::configure(QSqlDatabase &db, bool readOnly) const
{
    db.setDatabaseName(m_path);
    // Another writer (the desktop program and the batch tool at once) is waited for.
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000");
    if (readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
}

QString SqliteDialect::shownName() const
{
    return QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath());
}

QString SqliteDialect::idColumn() const
{
    return QStringLiteral("INTEGER PRIMARY KEY");
}

QString SqliteDialect::blobType() const
{
    return QStringLiteral("BLOB");
}

void SqliteDialect::prepareConnection(QSqlDatabase &db) const
{
    // SQLite checks references only when asked, connection by connection.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA foreign_keys = ON"));
}

QStringList SqliteDialect::beginWrite() const
{
    return {QStringLiteral("BEGIN IMMEDIATE")};
}

bool SqliteDialect::isBusy(const QSqlError &error) const
{
    const int code = sqliteCode(error);
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

bool SqliteDialect::isReadOnly(const QSqlError &error) const
{
    const int code = sqliteCode(error);
    return code == SQLITE_READONLY || code == SQLITE_CANTOPEN || code == SQLITE_PERM;
}

void SqliteDialect::markAsLedger(QSqlDatabase &db) const
{
    QSqlQuery(db).exec(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId));
}

bool SqliteDialect::isMarkedAsLedger(QSqlDatabase &db) const
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("PRAGMA application_id")) && query.next() &&
           query.value(0).toInt() == kApplicationId;
}

bool SqliteDialect::backup(QSqlDatabase &db, const QString &path) const
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *source = *static_cast<sqlite3 *const *>(handle.data());
    sqlite3 *target = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &target,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(target);
        return false;
    }
    sqlite3_backup *copy = sqlite3_backup_init(target, "main", source, "main");
    bool done = false;
    if (copy) {
        // All pages in one step: the source is locked only as long as the copy takes.
        done = sqlite3_backup_step(copy, -1) == SQLITE_DONE;
        sqlite3_backup_finish(copy);
    }
    done = done && sqlite3_errcode(target) == SQLITE_OK;
    sqlite3_close(target);
    return done;
}
