#pragma once
// A register kept outside the program, read into the ledger: ours written before, one an
// auditor kept by hand, or a courier's dispatch list (.xlsx, .xls or .csv). Columns are
// found by their titles; 函证编号 names the letter. Every value is checked before any is
// kept, and all are kept in one transaction.

#include "SentLetters.h"

#include <QString>

class LedgerStore;

class RegisterImport
{
public:
    struct Summary
    {
        QString file;              // the file's name
        int taken = 0;             // letters with a value changed
        int unchanged = 0;         // letters whose values the ledger held already
        QList<SkippedRow> skipped; // rows that name no letter of the ledger, and why
        // 已从“…”导入 …: one paragraph, the skipped rows listed.
        QString text() const;
    };

    // Reads 'path' and keeps its values in 'ledger' (logged as 导入). An empty cell leaves
    // the ledger's value. Raises Exception, keeping nothing, when the file cannot be read,
    // has no 函证编号 column, or holds a value that is not valid (naming its cell).
    static Summary run(LedgerStore &ledger, const QString &path);
};
