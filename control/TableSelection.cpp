#include "TableSelection.h"

#include "Population.h"
#include "PopulationDiff.h"
#include "SelectionRecording.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "report/LetterRows.h"

#include <algorithm>

namespace TableSelection {

namespace {
bool hasRows(const StringGridModel &table)
{
    return !LetterRows(table).rows().isEmpty();
}
} // namespace

std::optional<LedgerSelection> madeFrom(const LedgerStore &ledger, const StringGridModel &table)
{
    if (!hasRows(table))
        return std::nullopt;
    return SelectionRecording::madeFrom(ledger, Population::sha256Of(table));
}

QList<int> pickedRows(const LedgerSelection &selection, const StringGridModel &table)
{
    const QHash<int, QString> picked = SelectionRecording::pickedRows(selection, table);
    QList<int> rows = picked.keys();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString notThePopulation(const LedgerStore &ledger, const StringGridModel &table,
                         const RegionalSettings &settings)
{
    const std::optional<LedgerSelection> latest = SelectionRecording::latest(ledger);
    if (!latest || !hasRows(table))
        return QString();
    const QString when = latest->rounds.isEmpty()
                             ? QString()
                             : latest->rounds.constFirst().time.toLocalTime().toString(
                                   QStringLiteral("yyyy-MM-dd HH:mm"));
    QString text = QStringLiteral("此表格不是台账中任何一次选样的总体：原选样选中的行"
                                  "不适用于此表格。\n");
    try {
        const Population now = Population::fromTable(table, settings);
        const QList<PopulationRow> recorded = ledger.population(latest->id);
        text += QStringLiteral("最近一次选样：%1，%2，总体 %3 行。\n")
                    .arg(when, latest->method)
                    .arg(latest->rowCount) +
                PopulationDiff::between(recorded, now).describe(recorded, now);
    } catch (const Exception &error) {
        text += QStringLiteral("无法列出与最近一次选样的总体有何不同：%1").arg(error.message());
    }
    return text;
}

QList<int> selectedRows(const LedgerStore &ledger, const StringGridModel &table,
                        const RegionalSettings &settings)
{
    if (const auto selection = madeFrom(ledger, table))
        return pickedRows(*selection, table);
    const QString why = notThePopulation(ledger, table, settings);
    throw Exception(why.isEmpty() ? QStringLiteral("函证台账中还没有选样，请先选样") : why);
}

} // namespace TableSelection
