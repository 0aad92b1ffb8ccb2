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
// Reconciliation::check refuses, and for a part another writer changed since 'seen' (what
// the dialog opened with); a part left as seen is not written.
bool save(LedgerStore &store, const LedgerLetter &letter, const QList<ReconcilingItem> &items,
          const std::optional<AlternativeProcedure> &procedure,
          const ReconciliationSeen *seen = nullptr);
// What the dialog opens with: the letter's version read before its items and procedure, so
// that a change between the reads shows as one since.
ReconciliationSeen seenOf(const LedgerStore &store, const QString &number);
} // namespace ReconciliationRecording
