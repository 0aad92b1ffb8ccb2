#pragma once
// The ledger's file: its name, how a file is known for one, and the one last opened, which
// the program opens again at start.

#include <QString>

class LedgerStore;

namespace LedgerFiles {
// "函证台账 (*.rvledger)", for the file dialogs.
QString filter();
// The path with .rvledger added unless it ends so already.
QString withSuffix(const QString &path);
// Named .rvledger, or an SQLite file whatever its name (a ledger renamed or sent by mail).
bool isLedger(const QString &path);

// How a short line names the ledger: its file's name, or the centre's engagement.
QString shortName(const LedgerStore &ledger);

// The ledger last opened (a file, or a centre's address without a password), empty when
// none.
QString last();
void remember(const QString &path);
void forget();
} // namespace LedgerFiles
