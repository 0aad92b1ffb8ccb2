#include "ReconciliationRecording.h"

#include "ledger/LedgerStore.h"

namespace ReconciliationRecording {

bool save(LedgerStore &store, const LedgerLetter &letter, const QList<ReconcilingItem> &items,
          const std::optional<AlternativeProcedure> &procedure)
{
    for (const ReconcilingItem &item : items)
        Reconciliation::check(item);
    if (procedure)
        Reconciliation::check(*procedure, letter.identity.cents);
    const QString &number = letter.identity.number;
    const bool itemsChanged = store.reconcilingItems(number) != items;
    const bool procedureChanged = store.alternativeProcedure(number) != procedure;
    if (!itemsChanged && !procedureChanged)
        return false;
    store.setReconciliation(number, items, procedure);
    return true;
}

} // namespace ReconciliationRecording
