#pragma once
// PostgreSQL: the firm's server, each engagement in a schema of its own (rv_e and the
// engagement's number), listed by name in public.rv_engagements.

#include "LedgerLocation.h"
#include "SqlDialect.h"

class PostgresDialect : public SqlDialect
{
public:
    PostgresDialect(LedgerLocation location, QString password);
    // The engagement the connection works in, from then on.
    void useEngagement(qint64 id) { m_engagementId = id; }
    qint64 engagementId() const { return m_engagementId; }
    // The schema an engagement's tables are in.
    static QString schemaOf(qint64 engagementId);
    QString schema() const { return schemaOf(m_engagementId); }
    const LedgerLocation &location() const { return m_location; }

    QString driverName() const override;
    void configure(QSqlDatabase &db, bool readOnly) const override;
    QString shownName() const override;
    QString idColumn() const override;
    QString blobType() const override;
    void prepareConnection(QSqlDatabase &db) const override;
    QStringList beginWrite() const override;
    QString changeNotice() const override;
    QString beginRead() const override;
    QString continueIds(const QString &table) const override;
    void refuseConnection(const QSqlError &error) const override;
    bool isBusy(const QSqlError &error) const override;
    bool isReadOnly(const QSqlError &error) const override;
    bool isRefused(const QSqlError &error) const override;
    bool isConnectionLost(const QSqlError &error) const override;
    void markAsLedger(QSqlDatabase &db) const override;
    bool isMarkedAsLedger(QSqlDatabase &db) const override;
    bool backup(QSqlDatabase &db, const QString &path) const override;

private:
    LedgerLocation m_location;
    QString m_password;
    qint64 m_engagementId = 0;
};
