#include "LedgerRoles.h"

namespace LedgerRoles {

QString shown(LedgerRole role)
{
    switch (role) {
    case LedgerRole::Clerk:
        return QStringLiteral("函证中心");
    case LedgerRole::Team:
        return QStringLiteral("项目组");
    case LedgerRole::Reviewer:
        break;
    }
    return QStringLiteral("复核");
}

QString serverRole(LedgerRole role)
{
    switch (role) {
    case LedgerRole::Clerk:
        return QStringLiteral("rv_clerk");
    case LedgerRole::Team:
        return QStringLiteral("rv_team");
    case LedgerRole::Reviewer:
        break;
    }
    return QStringLiteral("rv_reviewer");
}

} // namespace LedgerRoles
