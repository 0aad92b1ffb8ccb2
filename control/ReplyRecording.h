#pragma once
// Scanned replies read into the ledger: each file's pages matched against the ledger's
// letters and recorded with the file's hash, one transaction a file, so a scan cut short
// leaves whole files. A file recorded before is not read again.

#include "ReplyList.h"
#include "ReplyScan.h"

#include <QDate>
#include <optional>

class LedgerStore;

namespace ReplyRecording {
// The note of a file skipped because the ledger holds it.
QString recordedNote();

// An empty list of the ledger's live letters, those it knows answered marked so. Raises
// Exception when the ledger cannot be written.
ReplyList prepared(const LedgerStore &ledger);

struct Outcome
{
    bool finished = true; // false when the progress asked to stop
    int pagesRecorded = 0;
};
// Reads 'files' into 'list' (made by prepared()) and records their pages in 'ledger',
// received on 'received' (each file's modification date when none) by 'channel' (回函方式,
// may be empty). A page naming a letter the ledger knows answered is 重复. Raises
// Exception when the ledger cannot be written; the files recorded before stay recorded.
Outcome record(LedgerStore &ledger, ReplyList &list, const QStringList &files,
               const QString &channel, std::optional<QDate> received,
               const ReplyScan::Progress &progress = {});

// Both in one: the list of what was read.
ReplyList run(LedgerStore &ledger, const QStringList &files, const QString &channel,
              std::optional<QDate> received, const ReplyScan::Progress &progress = {});
} // namespace ReplyRecording
