#include "ReconciliationTypes.h"

#include "platform/Exception.h"

namespace Reconciliation {

QStringList itemKinds()
{
    return {QStringLiteral("在途款项"), QStringLiteral("在途货物"),
            QStringLiteral("未达账项（发票未入账）"), QStringLiteral("争议"),
            QStringLiteral("记账差错"), QStringLiteral("其他")};
}

QStringList evidenceKinds()
{
    return {QStringLiteral("期后收款"), QStringLiteral("发货单"), QStringLiteral("发票"),
            QStringLiteral("合同"), QStringLiteral("其他")};
}

QStringList conclusions()
{
    return {QStringLiteral("替代程序确认"), QStringLiteral("部分确认"), QStringLiteral("未能确认")};
}

std::optional<qint64> differenceAfter(std::optional<qint64> bookCents,
                                      std::optional<qint64> replyCents,
                                      const QList<ReconcilingItem> &items)
{
    if (!bookCents || !replyCents)
        return std::nullopt;
    qint64 difference = *replyCents - *bookCents;
    for (const ReconcilingItem &item : items)
        difference -= item.cents;
    return difference;
}

QString resultOf(std::optional<qint64> differenceAfterCents, qint64 toleranceCents)
{
    if (!differenceAfterCents)
        return {};
    const qint64 size = *differenceAfterCents < 0 ? -*differenceAfterCents : *differenceAfterCents;
    return size <= toleranceCents ? Agreed : Differs;
}

void check(const ReconcilingItem &)
{
    // Filled in with the ledger's checks.
}

void check(const AlternativeProcedure &, std::optional<qint64>)
{
    // Filled in with the ledger's checks.
}

} // namespace Reconciliation
