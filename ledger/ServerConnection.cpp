#include "ServerConnection.h"

#include "CentreRefusal.h"
#include "PostgresDialect.h"
#include "platform/Exception.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

ServerConnection::ServerConnection(const LedgerLocation &location, const QString &password)
    : m_location(location),
      m_name(QStringLiteral("server-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    const PostgresDialect dialect(location, password);
    m_db = QSqlDatabase::addDatabase(dialect.driverName(), m_name);
    if (!m_db.isValid())
        throw Exception(
            QStringLiteral("无法连接函证中心：缺少 PostgreSQL 数据库驱动（libqt6sql6-psql）"));
    dialect.configure(m_db, false);
    if (!m_db.open()) {
        // The destructor does not run for a connection never made: its name goes here.
        const QString said = m_db.lastError().databaseText().trimmed();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw CentreRefusal(location, said);
    }
    dialect.prepareConnection(m_db);
}

ServerConnection::~ServerConnection()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void ServerConnection::exec(const QString &statement, const QString &what)
{
    QSqlQuery query(m_db);
    if (!query.exec(statement))
        exec(query, what);
}

void ServerConnection::exec(QSqlQuery &prepared, const QString &what)
{
    if (prepared.lastError().isValid() || !prepared.exec())
        throw Exception(
            QStringLiteral("%1失败（%2）：%3")
                .arg(what, m_location.shown(), prepared.lastError().databaseText().trimmed()));
}
