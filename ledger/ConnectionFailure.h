#pragma once
// Why a connection to the confirmation centre could not be made, in the user's words: what
// libpq says of certificates, passwords and the server's rules, told so that the one who
// reads it knows what to check. The server's own words follow, for the administrator.

#include "LedgerLocation.h"

namespace ConnectionFailure {
// "无法连接<where>：<why>" for libpq's message 'serverText'.
QString text(const LedgerLocation &location, const QString &serverText);
} // namespace ConnectionFailure
