#pragma once
// Why a workbook file could not be read; the reader turns it into the server's message.

#include <QString>
#include <stdexcept>

struct ReadFailure
{
    enum Cause
    {
        NotWorkbook,
        Encrypted,
        Damaged,
        OldFormat,
        BinaryWorkbook // Excel's .xlsb: a package of binary parts
    };
    Cause cause;
    QString detail; // for Damaged: what was wrong and where
};

// The file is damaged: 'detail' says what was wrong and where.
[[noreturn]] inline void damaged(const QString &detail)
{
    throw ReadFailure{ReadFailure::Damaged, detail};
}
