#pragma once
// A population of rows made up by their position, and a selection of it with the picks
// given: what tests record in a ledger as a selection.

#include "ledger/PopulationHash.h"
#include "ledger/SelectionTypes.h"

inline PopulationRow populationRow(int position)
{
    return {QStringLiteral("客户%1").arg(position), QStringLiteral("2026-12-31"),
            QStringLiteral("%1.00").arg(1000 + position), QStringLiteral("WL-%1").arg(position),
            (1000 + position) * 100};
}

inline LedgerSelection selectionOf(int rows, const QList<SelectionPick> &picks)
{
    LedgerSelection selection;
    selection.rowCount = rows;
    PopulationHash hash;
    for (int i = 0; i < rows; ++i) {
        const PopulationRow row = populationRow(i);
        selection.totalCents += row.cents;
        hash.addRow(row.customer, row.cutOff, row.amount, row.number);
    }
    selection.populationSha256 = hash.hex();
    selection.method = QStringLiteral("货币单位抽样（系统选样）");
    selection.seed = QStringLiteral("123456789");
    SelectionRound first;
    first.parameters = QStringLiteral("{\"size\":2}");
    first.drawsAfter = 1;
    selection.rounds = {first};
    selection.picks = picks;
    return selection;
}
