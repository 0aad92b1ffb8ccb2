#pragma once
// Selections into the confirmation ledger and back: a selection drawn is recorded with its
// population, rules, seed and picks; a table imported later finds the selection made from
// it, or learns that it is not the population any selection was made from.

#include "Sampler.h"

#include <QHash>
#include <optional>

class LedgerStore;
class StringGridModel;

namespace SelectionRecording {
// Records what 'plan' drew from 'population'; returns the selection as kept.
LedgerSelection record(LedgerStore &ledger, const Population &population, const SelectionPlan &plan,
                       const SamplingOutcome &outcome);
// Records an extension of 'selection' by 'added' points or rows and 'manual' rows, as
// Sampler::extend drew it; returns the selection as kept now.
LedgerSelection recordExtension(LedgerStore &ledger, const LedgerSelection &selection, int added,
                                const QList<int> &manual, const SamplingOutcome &outcome);

// The newest selection made from the population of that hash; none when there is none.
std::optional<LedgerSelection> madeFrom(const LedgerStore &ledger,
                                        const QByteArray &populationSha256);
// The newest selection of all; none when the ledger has none.
std::optional<LedgerSelection> latest(const LedgerStore &ledger);
// The plan of the selection's first round.
SelectionPlan planOf(const LedgerSelection &selection);

// The table's rows that 'selection' picked, with the reason, by table row. The table must
// be the population the selection was made from.
QHash<int, QString> pickedRows(const LedgerSelection &selection, const StringGridModel &table);

} // namespace SelectionRecording
