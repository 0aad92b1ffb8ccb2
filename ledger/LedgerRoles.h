#pragma once
// Who may change what in a ledger a confirmation centre shares. A ledger file has one
// auditor, who may do all of it; on the server each user holds one or more of these roles,
// and the server's grants enforce them whatever program connects.

#include "LedgerTypes.h"

#include <QList>
#include <QString>

enum class LedgerRole
{
    Clerk,    // 函证中心: dispatch, waybills and replies
    Team,     // 项目组: results, reconciliations and alternative procedures
    Reviewer, // 复核: reads everything, writes nothing
};

namespace LedgerRoles {
// The role's name as the user reads it: 函证中心, 项目组, 复核.
QString shown(LedgerRole role);
// The server's role the firm's users are made members of: rv_clerk, rv_team, rv_reviewer.
QString serverRole(LedgerRole role);
// The roles that may set 'field' of a letter (any one of them will do): dispatch and the
// reply with its custody are the centre's, the result and what stands for a reply the team's,
// the letter's contacts and note either writer's. The server's column grants follow it.
QList<LedgerRole> forField(LetterField field);
// The writers: what every change of a ledger on the server needs one of.
QList<LedgerRole> writers();
} // namespace LedgerRoles
