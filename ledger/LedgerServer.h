#pragma once
// The confirmation centre's database as a whole: its list of engagements (public.
// rv_engagements, each engagement's tables in a schema of its own), the roles its users are
// given, and what the administrator runs once to set it up.

#include "LedgerLocation.h"

#include <QStringList>
#include <optional>

class QSqlDatabase;

namespace LedgerServer {
// Sets up the database at 'location' (as its administrator): the list of engagements and
// the roles rv_clerk, rv_team and rv_reviewer with their grants, on engagements made before
// too; brings every engagement's tables up to date. Run again, it changes nothing more.
// Returns what it did, a line each.
QStringList initialize(const LedgerLocation &location, const QString &password = QString());
// The names of the engagements on the server the user may open, sorted.
QStringList engagements(const LedgerLocation &location, const QString &password = QString());

// Within a connection: the number of the engagement so named, or none. Raises Exception when
// the database was never set up (init-server not run).
std::optional<qint64> engagementId(QSqlDatabase &db, const LedgerLocation &location,
                                   const QString &name);
// The grants of an engagement's schema to the roles, run when it is made and by initialize.
QStringList grantStatements(const QString &schema);
} // namespace LedgerServer
