#pragma once
// What can be told of a ledger file before the database opens it: that it is an SQLite
// file at all, that it is whole, and whether it can be written.

#include <QString>

namespace LedgerFile {
// The ledger's file name ending.
inline const QString Extension = QStringLiteral(".rvledger");

// Raises Exception, in the user's words, when 'path' is missing, is no SQLite database or
// is shorter than its own header says (a copy cut off).
void requireWhole(const QString &path);
// A write cut short (the program killed, the power gone) leaves its journal beside the file
// and the file half changed; the database puts the file back as the last whole write left it
// on the first read that may write. Does that read when there is a journal, so the file is
// whole before anything else looks at it. Raises Exception when it cannot, the file unable
// to be written, saying what to do.
void finishInterruptedWrite(const QString &path);
// Why the file cannot be written (a read-only file or folder, a read-only medium), or
// empty when it can. The folder counts: the database writes its journal beside the file.
QString whyReadOnly(const QString &path);
} // namespace LedgerFile
