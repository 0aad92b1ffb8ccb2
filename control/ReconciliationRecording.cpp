#include "ReconciliationRecording.h"

#include "ledger/LedgerStore.h"

namespace ReconciliationRecording {

bool save(LedgerStore &store, const LedgerLetter &letter, const QList<ReconcilingItem> &items,
          const std::optional<AlternativeProcedure> &procedure, const ReconciliationSeen *seen)
{
    for (const ReconcilingItem &item : items)
        Reconciliation::check(item);
    if (procedure)
        Reconciliation::check(*procedure, letter.identity.cents);
    const QString &number = letter.identity.number;
    const bool itemsChanged = (seen ? seen->items : store.reconcilingItems(number)) != items;
    const bool procedureChanged =
        (seen ? seen->procedure : store.alternativeProcedure(number)) != procedure;
    if (!itemsChanged && !procedureChanged)
        return false;
    store.setReconciliation(number, items, procedure, seen);
    return true;
}

ReconciliationSeen seenOf(const LedgerStore &store, const QString &number)
{
    ReconciliationSeen seen;
    if (const auto letter = store.letter(number)) {
        seen.letterId = letter->id;
        seen.version = letter->version;
    }
    seen.items = store.reconcilingItems(number);
    seen.procedure = store.alternativeProcedure(number);
    return seen;
}

} // namespace ReconciliationRecording
