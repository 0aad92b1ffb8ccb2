#pragma once
// The 选样说明 of a selection: the population, the method and its parameters, the seed, the
// size, the picks by reason and the key items' coverage by count and amount, as the
// register's sheet, the selection window and the batch tool show it.

#include "ledger/SelectionTypes.h"

#include <QList>
#include <QPair>

namespace SelectionSummary {
// (label, value) lines, in the order shown.
QList<QPair<QString, QString>> lines(const LedgerSelection &selection,
                                     const QList<PopulationRow> &population);
} // namespace SelectionSummary
