#pragma once
// Where a ledger kept on a PostgreSQL server is: the server, the database, the user and the
// engagement, as a postgresql:// address names them. The password is never part of it: it
// comes from ~/.pgpass, PGPASSFILE or PGPASSWORD, or is asked.

#include <QString>

struct LedgerLocation
{
    QString host; // a name, an address, or the folder of the server's socket
    int port = 5432;
    QString database;
    QString user;
    QString engagement;
    QString sslMode;     // libpq's: disable, allow, prefer, require, verify-ca, verify-full
    QString sslRootCert; // the CA certificates the server's is checked against

    // Whether 'text' names a ledger on a server rather than a file.
    static bool isServer(const QString &text);
    // Raises Exception, in the user's words, for an address that names no database or holds a
    // password.
    static LedgerLocation parse(const QString &text);
    // The address again: postgresql://user@host:port/database?engagement=…
    QString text() const;
    // How messages and the window's title name it: 函证中心 host:port/database 的项目“…”.
    QString shown() const;
    // The options libpq is given beyond host, port, database and user.
    QString connectOptions() const;
    static QStringList sslModes();
};
