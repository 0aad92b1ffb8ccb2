#pragma once
// The ledger's selections as they bear on the table shown: the one made from it, whose
// rows the grid marks and a print run may be limited to, or, when the ledger has
// selections but none from this table, what differs from the population of the latest, so
// that picks are never carried over to another table without the user knowing.

#include "ledger/SelectionTypes.h"
#include "platform/RegionalSettings.h"

#include <optional>

class LedgerStore;
class StringGridModel;

namespace TableSelection {
// The newest selection made from 'table' as it is now; none when the table has no rows or
// no selection was made from it.
std::optional<LedgerSelection> madeFrom(const LedgerStore &ledger, const StringGridModel &table);
// The table rows 'selection' picked, in table order; the table must be its population.
QList<int> pickedRows(const LedgerSelection &selection, const StringGridModel &table);
// For a table no selection was made from (madeFrom gave none): empty when the ledger has
// no selection; otherwise says that the table is not the population of any, with what
// differs from the latest's (or why that cannot be told: an amount that does not parse).
QString notThePopulation(const LedgerStore &ledger, const StringGridModel &table,
                         const RegionalSettings &settings);
// The rows the selection made from 'table' picked, in table order, for a print run of
// them. Raises Exception when no selection was made from it, saying why.
QList<int> selectedRows(const LedgerStore &ledger, const StringGridModel &table,
                        const RegionalSettings &settings);
} // namespace TableSelection
