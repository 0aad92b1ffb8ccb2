#pragma once
// A connection to the confirmation centre's database of its own, for what is done to the
// database as a whole rather than to one engagement: setting it up, listing engagements,
// copying. Closed when it goes.

#include "LedgerLocation.h"

#include <QSqlDatabase>

class QSqlQuery;

class ServerConnection
{
public:
    // Raises Exception, in the user's words, when the server cannot be reached or refuses.
    ServerConnection(const LedgerLocation &location, const QString &password);
    ~ServerConnection();
    ServerConnection(const ServerConnection &) = delete;
    ServerConnection &operator=(const ServerConnection &) = delete;

    QSqlDatabase &db() { return m_db; }
    // Runs the statement, raising Exception with 'what' and the server's words on failure.
    void exec(const QString &statement, const QString &what);
    void exec(QSqlQuery &prepared, const QString &what);

private:
    LedgerLocation m_location;
    QString m_name;
    QSqlDatabase m_db;
};
