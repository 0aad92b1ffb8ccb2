#pragma once
// What the log records of a selection: its population, method and seed with its first
// round; each extension; each pick. Compact JSON with its keys in a fixed order, so that
// the check can tell the tables from what the log says they hold.

#include "SelectionTypes.h"

namespace SelectionRecordText {
// The selection (without its picks) and its first round; 'centsSha256' the hash of its
// rows' amounts, each centsLine() in order.
QString selectionText(const LedgerSelection &selection, const SelectionRound &first,
                      const QByteArray &centsSha256);
QByteArray centsLine(qint64 cents);
// A later round.
QString roundText(const SelectionRound &round);
// A pick, with the number and customer of its row.
QString pickText(const SelectionPick &pick, const PopulationRow &row);
// What a selection's log entry says, for people.
QString readable(const QString &action, const QString &text);
} // namespace SelectionRecordText
