#pragma once
// Keeps what the reconciliation dialog holds for one letter: its reconciling items and its
// alternative procedure, in one transaction, so that a procedure the ledger refuses leaves
// the items as they were too. What did not change is not written again, and so not logged
// again.

#include "ledger/ReconciliationTypes.h"

#include <optional>

class LedgerStore;
struct LedgerLetter;

namespace ReconciliationRecording {
// False when both were already as given. Raises Exception, writing nothing, for what
// Reconciliation::check refuses.
bool save(LedgerStore &store, const LedgerLetter &letter, const QList<ReconcilingItem> &items,
          const std::optional<AlternativeProcedure> &procedure);
} // namespace ReconciliationRecording
