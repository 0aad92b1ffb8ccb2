#pragma once
// The ledger's file: its name, how a file is known for one, and the one last opened, which
// the program opens again at start.

#include <QString>

namespace LedgerFiles {
// "函证台账 (*.rvledger)", for the file dialogs.
QString filter();
// The path with .rvledger added unless it ends so already.
QString withSuffix(const QString &path);
// Named .rvledger, or an SQLite file whatever its name (a ledger renamed or sent by mail).
bool isLedger(const QString &path);

// The ledger last opened, empty when none.
QString last();
void remember(const QString &path);
void forget();
} // namespace LedgerFiles
