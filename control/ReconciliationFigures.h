#pragma once
// What the reconciliation dialog shows while the auditor types: the items' sum, the
// difference after them and the result it gives under the ledger's tolerance; and the
// conclusion an alternative procedure's amounts suggest.

#include "ReconciliationInput.h"

#include <optional>

struct ReconciliationFigures
{
    std::optional<qint64> differenceCents; // 回函金额 − 账面金额
    qint64 itemsCents = 0;                 // the rows whose amount reads
    int rowsLeftOut = 0;                   // rows without an amount that reads
    std::optional<qint64> differenceAfterCents;
    QString result; // 调节后相符, 不符, or empty without a reply amount

    static ReconciliationFigures of(std::optional<qint64> bookCents,
                                    std::optional<qint64> replyCents,
                                    const QList<ReconciliationInput::ItemRow> &rows,
                                    qint64 toleranceCents, const RegionalSettings &settings);
    // 替代程序确认 when the book amount is covered, 未能确认 when nothing is, else 部分确认.
    static QString suggestedConclusion(qint64 coveredCents, std::optional<qint64> bookCents);
};
