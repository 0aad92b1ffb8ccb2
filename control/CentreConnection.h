#pragma once
// What 连接函证中心… does without its window: the centre's address made from the fields the
// user filled in, the engagements the user may open listed, one opened. A password the
// server asks for is kept in memory for the session, never in the settings; the address
// last used is remembered without it.

#include "ledger/LedgerLocation.h"

#include <QStringList>
#include <memory>

class LedgerStore;

struct CentreFields
{
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString sslMode = QStringLiteral("prefer");
    QString rootCert;
};

namespace CentreConnection {
// The address last used, else this machine's user on port 5432 with TLS where offered.
CentreFields initialFields();
// Raises Exception naming the field that is empty or wrong.
LedgerLocation locationOf(const CentreFields &fields, const QString &engagement = QString());
CentreFields fieldsOf(const LedgerLocation &location);

// The password given this session for the location's server and user; empty when none,
// which lets libpq read ~/.pgpass, PGPASSFILE or PGPASSWORD.
QString sessionPassword(const LedgerLocation &location);
// Keeps a password that worked, in memory, for the rest of the session.
void keepForSession(const LedgerLocation &location, const QString &password);
// What the desktop's keyring keeps a password under: the server's database (every
// engagement in it shares the password).
QString keyringServer(const LedgerLocation &location);

// The engagements the user may open, sorted. Raises CentreRefusal when the server refuses
// the connection (kind Password: a password is needed, or the one given is wrong), and
// Exception when there is none the user may open.
QStringList engagements(const CentreFields &fields, const QString &password);
// Opens the engagement and remembers its address for the next start.
std::unique_ptr<LedgerStore> open(const CentreFields &fields, const QString &engagement,
                                  const QString &password);
// The address last opened (without a password), empty when none.
QString lastAddress();
} // namespace CentreConnection
