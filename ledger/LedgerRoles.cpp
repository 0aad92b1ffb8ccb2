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

QList<LedgerRole> forField(LetterField field)
{
    switch (field) {
    case LetterField::SendMethod:
    case LetterField::Waybill:
    case LetterField::SendDate:
    case LetterField::ReplyDate:
    case LetterField::ReplyChannel:
    case LetterField::ReplyAmount:
    case LetterField::Respondent:
    case LetterField::ReplyAddress:
    case LetterField::ReplyPhone:
    case LetterField::ReplyWaybill:
    case LetterField::ReplyTime:
        return {LedgerRole::Clerk};
    case LetterField::Result:
    case LetterField::DifferenceReason:
    case LetterField::Alternative:
        return {LedgerRole::Team};
    case LetterField::Note:
    case LetterField::Email:
    case LetterField::Address:
    case LetterField::Phone:
        break;
    }
    return writers();
}

QList<LedgerRole> writers()
{
    return {LedgerRole::Clerk, LedgerRole::Team};
}

} // namespace LedgerRoles
