#include "SelectionRecording.h"

#include "SelectionParameters.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "report/LetterRows.h"

namespace SelectionRecording {

LedgerSelection record(LedgerStore &ledger, const Population &population, const SelectionPlan &plan,
                       const SamplingOutcome &outcome)
{
    LedgerSelection selection;
    selection.rowCount = population.size();
    selection.totalCents = population.totalCents();
    selection.populationSha256 = population.sha256();
    selection.method = SelectionPlan::methodName(plan.method);
    selection.seed = plan.seed;
    SelectionRound first;
    first.parameters = SelectionParameters::ofSelection(plan, outcome);
    first.drawsAfter = outcome.drawsAfter;
    selection.rounds = {first};
    selection.picks = outcome.picks;
    const qint64 id =
        ledger.recordSelection(selection, [&](int position) { return population.row(position); });
    return *ledger.selection(id);
}

LedgerSelection recordExtension(LedgerStore &ledger, const LedgerSelection &selection, int added,
                                const QList<int> &manual, const SamplingOutcome &outcome)
{
    SelectionRound round;
    round.round = int(selection.rounds.size());
    round.parameters = SelectionParameters::ofExtension(added, manual, outcome);
    round.drawsAfter = outcome.drawsAfter;
    ledger.extendSelection(selection.id, round, outcome.picks);
    return *ledger.selection(selection.id);
}

std::optional<LedgerSelection> madeFrom(const LedgerStore &ledger,
                                        const QByteArray &populationSha256)
{
    const QList<LedgerSelection> all = ledger.selections();
    for (auto selection = all.crbegin(); selection != all.crend(); ++selection)
        if (selection->populationSha256 == populationSha256)
            return *selection;
    return std::nullopt;
}

std::optional<LedgerSelection> latest(const LedgerStore &ledger)
{
    const QList<LedgerSelection> all = ledger.selections();
    if (all.isEmpty())
        return std::nullopt;
    return all.last();
}

SelectionPlan planOf(const LedgerSelection &selection)
{
    const auto plan = SelectionParameters::read(selection.rounds.value(0)).plan;
    if (!plan)
        throw Exception(QStringLiteral("第 %1 次选样没有记录选样规则").arg(selection.id));
    return *plan;
}

QHash<int, QString> pickedRows(const LedgerSelection &selection, const StringGridModel &table)
{
    const QList<int> rows = LetterRows(table).rows();
    QHash<int, QString> picked;
    for (const SelectionPick &pick : selection.picks)
        if (pick.position >= 0 && pick.position < rows.size())
            picked.insert(rows[pick.position], pick.reason);
    return picked;
}

} // namespace SelectionRecording
