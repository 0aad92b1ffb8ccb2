#pragma once
// What differs between the ledger's two databases (an SQLite file, a PostgreSQL server):
// how a row's id is made, how a writing transaction starts, how a busy database is told,
// how the file is marked as ours and copied for a backup. The rest of the SQL is common.

#include <QString>
#include <QStringList>

class QSqlDatabase;
class QSqlError;

class SqlDialect
{
public:
    virtual ~SqlDialect() = default;
    // The Qt SQL driver.
    virtual QString driverName() const = 0;
    // What the connection is told before it opens: the file or the server, and its options.
    virtual void configure(QSqlDatabase &db, bool readOnly) const = 0;
    // How messages name the ledger: the file, or the server's engagement.
    virtual QString shownName() const = 0;
    // The column definition of a table's own id.
    virtual QString idColumn() const = 0;
    // The column type of bytes kept as they are (a letter's PDF).
    virtual QString blobType() const = 0;
    // Sets up a connection just opened (what the database checks on every statement).
    virtual void prepareConnection(QSqlDatabase &db) const = 0;
    // Starts a transaction that takes the write lock at once, so that two writers queue
    // instead of one finding its reads stale at commit: the statements, in order.
    virtual QStringList beginWrite() const = 0;
    // Said within a writing transaction just before it commits, so that the other programs
    // open on the ledger learn of the change; empty where they learn of it otherwise.
    virtual QString changeNotice() const { return {}; }
    // Starts a transaction that reads one state of the whole ledger, whatever is written
    // meanwhile.
    virtual QString beginRead() const { return QStringLiteral("BEGIN"); }
    // Said once a table's rows are copied in with their ids, so that the next row made gets
    // an id of its own; empty where the database takes the next id after the largest itself.
    virtual QString continueIds(const QString &) const { return {}; }
    // Raises Exception saying, in the user's words, why the connection could not be made;
    // returns where the usual text will do.
    virtual void refuseConnection(const QSqlError &) const {}
    // Whether the error means another writer holds the database: worth a retry.
    virtual bool isBusy(const QSqlError &error) const = 0;
    // Whether the error means the database cannot be written at all.
    virtual bool isReadOnly(const QSqlError &error) const = 0;
    // Whether the database refused the statement to this user (a role's grants).
    virtual bool isRefused(const QSqlError &) const { return false; }
    // Whether the connection to the database is gone (the server stopped, the network down).
    virtual bool isConnectionLost(const QSqlError &) const { return false; }
    // Marks a new database as a ledger; whether an open one is marked so.
    virtual void markAsLedger(QSqlDatabase &db) const = 0;
    virtual bool isMarkedAsLedger(QSqlDatabase &db) const = 0;
    // Copies the whole database, consistently, into a new file at 'path'; false when the
    // database is not a file (the server keeps its own backups).
    virtual bool backup(QSqlDatabase &db, const QString &path) const = 0;
};

// SQLite: one file per engagement.
class SqliteDialect : public SqlDialect
{
public:
    explicit SqliteDialect(QString path) : m_path(std::move(path)) {}
    QString driverName() const override;
    void configure(QSqlDatabase &db, bool readOnly) const override;
    QString shownName() const override;
    QString idColumn() const override;
    QString blobType() const override;
    void prepareConnection(QSqlDatabase &db) const override;
    QStringList beginWrite() const override;
    bool isBusy(const QSqlError &error) const override;
    bool isReadOnly(const QSqlError &error) const override;
    void markAsLedger(QSqlDatabase &db) const override;
    bool isMarkedAsLedger(QSqlDatabase &db) const override;
    bool backup(QSqlDatabase &db, const QString &path) const override;

private:
    QString m_path;
};
