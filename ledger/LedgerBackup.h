#pragma once
// The copies of a ledger kept in 台账备份/ beside it: one before every migration and one on
// the first open of each day, the last seven kept.

#include <QDate>
#include <QString>

namespace LedgerBackup {
inline const QString FolderName = QStringLiteral("台账备份");
constexpr int Kept = 7;

// The folder the copies of 'ledger' go to.
QString folderOf(const QString &ledger);
// The copies of 'ledger', oldest first.
QStringList copiesOf(const QString &ledger);
// Whether a copy was made on 'day'.
bool madeOn(const QString &ledger, const QDate &day);
// Where a copy made now goes ('reason' names it: 每日, 升级前).
QString newCopyPath(const QString &ledger, const QString &reason);
// Removes all but the last 'Kept' copies.
void prune(const QString &ledger);
} // namespace LedgerBackup
