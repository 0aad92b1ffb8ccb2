#pragma once
// What the log records of a selection: its population, method and seed with its first
// round; each extension; each pick. Compact JSON with its keys in a fixed order, so that
// the check can tell the tables from what the log says they hold.

#include "SelectionTypes.h"

namespace SelectionRecordText {
// The selection (without its picks) and its first round.
QString selectionText(const LedgerSelection &selection, const SelectionRound &first);
// A later round.
QString roundText(const SelectionRound &round);
// A pick, with the number and customer of its row.
QString pickText(const SelectionPick &pick, const PopulationRow &row);
// What a selection's log entry says, for people.
QString readable(const QString &action, const QString &text);
} // namespace SelectionRecordText
