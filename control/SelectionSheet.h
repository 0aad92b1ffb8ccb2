#pragma once
// The register's sheet 选样说明: for each selection the ledger keeps, its summary and then
// every pick with its row, amount and reason, so that a reviewer can redo the selection.

class LedgerStore;
class XlsxBook;

namespace SelectionSheet {
// Adds the sheet when the ledger holds a selection; does nothing otherwise.
void write(XlsxBook &book, const LedgerStore &ledger);
} // namespace SelectionSheet
