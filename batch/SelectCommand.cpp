#include "SelectCommand.h"

#include "WorkbookTable.h"
#include "control/AmountInput.h"
#include "control/SampleSize.h"
#include "control/SampleStream.h"
#include "control/SelectionRecording.h"
#include "control/SelectionSummary.h"
#include "control/TableSelection.h"
#include "ledger/LedgerStore.h"

#include <QHash>

namespace {

SamplingMethod methodOf(const QString &key)
{
    static const QHash<QString, SamplingMethod> methods{
        {QStringLiteral("mus"), SamplingMethod::MonetarySystematic},
        {QStringLiteral("mus-cell"), SamplingMethod::MonetaryCell},
        {QStringLiteral("random"), SamplingMethod::SimpleRandom},
        {QStringLiteral("manual"), SamplingMethod::Manual}};
    const auto found = methods.constFind(key);
    if (found == methods.constEnd())
        throw UsageError(
            QStringLiteral("--method 只能是 mus、mus-cell、random 或 manual，不是“%1”").arg(key));
    return *found;
}

int wholeNumber(const QString &option, const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0)
        throw UsageError(QStringLiteral("%1 应为整数，不是“%2”").arg(option, text));
    return value;
}

// The positions of the rows whose letter numbers are listed.
QList<int> positionsNumbered(const Population &population, const QString &list)
{
    const QStringList numbers = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (numbers.isEmpty())
        return {};
    QHash<QString, QList<int>> byNumber;
    for (int position = 0; position < population.size(); ++position)
        byNumber[population.row(position).number].append(position);
    QList<int> positions;
    for (const QString &number : numbers) {
        const QList<int> found = byNumber.value(number.trimmed());
        if (found.isEmpty())
            throw Exception(QStringLiteral("表格中没有函编号为“%1”的行").arg(number.trimmed()));
        // A number several rows carry does not say which of them is meant.
        if (found.size() > 1) {
            QStringList places;
            for (int position : found)
                places.append(population.place(position));
            throw Exception(QStringLiteral("函编号“%1”有 %2 行：%3；请先改正函编号")
                                .arg(number.trimmed())
                                .arg(found.size())
                                .arg(places.join(QStringLiteral("、"))));
        }
        positions.append(found.first());
    }
    return positions;
}

void writePicks(const Population &population, const QList<SelectionPick> &picks)
{
    BatchOutput::writeCells({QStringLiteral("表格行"), QStringLiteral("函编号"),
                             QStringLiteral("客户单位"), QStringLiteral("账面金额"),
                             QStringLiteral("选中原因"), QStringLiteral("抽中货币单位")});
    for (const SelectionPick &pick : picks) {
        const PopulationRow row = population.row(pick.position);
        BatchOutput::writeCells(
            {population.place(pick.position), row.number, row.customer, row.amount, pick.reason,
             pick.point >= 0 ? QString::number(double(pick.point) / 100.0, 'f', 2) : QString()});
    }
}

void writeOwnKind(const Population &population, const SamplingOutcome &outcome)
{
    if (outcome.credits.isEmpty() && outcome.zeros.isEmpty())
        return;
    BatchOutput::write(QStringLiteral("贷方余额与零余额不参与抽样，请逐项决定是否发函"
                                      "（用 --manual 加入）：\n"));
    for (const QList<int> *kind : {&outcome.credits, &outcome.zeros})
        for (int position : *kind) {
            const PopulationRow row = population.row(position);
            BatchOutput::writeCells(
                {population.place(position), row.number, row.customer, row.amount});
        }
}

} // namespace

int runSelectCommand(BatchArguments arguments)
{
    const QString ledgerFile = arguments.takeOption(QStringLiteral("--ledger"));
    const QString method = arguments.takeOption(QStringLiteral("--method"), QStringLiteral("mus"));
    const QString size = arguments.takeOption(QStringLiteral("--size"));
    const QString tolerable = arguments.takeOption(QStringLiteral("--tolerable"));
    const QString expected = arguments.takeOption(QStringLiteral("--expected"));
    const QString confidence =
        arguments.takeOption(QStringLiteral("--confidence"), QStringLiteral("95"));
    const QString threshold = arguments.takeOption(QStringLiteral("--key-threshold"));
    const QString seed = arguments.takeOption(QStringLiteral("--seed"));
    const QString manual = arguments.takeOption(QStringLiteral("--manual"));
    const QString extend = arguments.takeOption(QStringLiteral("--extend"));
    const bool preview = arguments.takeFlag(QStringLiteral("--preview"));
    if (ledgerFile.isEmpty())
        throw UsageError(
            QStringLiteral("select 需要 --ledger FILE.rvledger：选样记录在函证台账中"));
    const WorkbookTable imported(arguments.positional(1).constFirst());
    const auto ledger = LedgerStore::open(ledgerFile);
    const RegionalSettings &settings = RegionalSettings::user();
    const Population population = Population::fromTable(imported.table(), settings);
    const QList<int> byHand = positionsNumbered(population, manual);

    if (!extend.isEmpty()) {
        const auto selection = SelectionRecording::madeFrom(*ledger, population.sha256());
        if (!selection) {
            const QString why =
                TableSelection::notThePopulation(*ledger, imported.table(), settings);
            throw Exception(QStringLiteral("函证台账中没有以此表格为总体的选样，无法扩大样本") +
                            (why.isEmpty() ? QString() : QStringLiteral("\n") + why));
        }
        const int added = wholeNumber(QStringLiteral("--extend"), extend);
        const SamplingOutcome outcome = Sampler::extend(
            population, *selection, SelectionRecording::planOf(*selection), added, byHand);
        if (!preview) {
            const LedgerSelection kept =
                SelectionRecording::recordExtension(*ledger, *selection, added, byHand, outcome);
            BatchOutput::write(QStringLiteral("已扩大第 %1 次选样：新选中 %2 行\n")
                                   .arg(kept.id)
                                   .arg(outcome.picks.size()));
        }
        writePicks(population, outcome.picks);
        return 0;
    }

    SelectionPlan plan;
    plan.method = methodOf(method);
    plan.keyThresholdCents =
        AmountInput::cents(QStringLiteral("重要项目界限"), threshold, settings);
    plan.seed = seed.isEmpty() ? SampleStream::newSeed() : seed;
    plan.manual = byHand;
    plan.confidence = wholeNumber(QStringLiteral("--confidence"), confidence);
    if (!tolerable.isEmpty()) {
        if (plan.method != SamplingMethod::MonetarySystematic &&
            plan.method != SamplingMethod::MonetaryCell)
            throw UsageError(QStringLiteral("按可容忍错报计算样本量只适用于货币单位抽样"));
        if (!size.isEmpty())
            throw UsageError(QStringLiteral("--size 与 --tolerable 只能给出一个"));
        plan.tolerableCents = AmountInput::cents(QStringLiteral("可容忍错报"), tolerable, settings);
        plan.expectedCents =
            AmountInput::cents(QStringLiteral("预期错报"), expected, settings).value_or(0);
        // The size is computed over what the points fall in: the rest after the key items.
        plan.size =
            SampleSize::monetaryUnit({Sampler::frameOf(population, plan.keyThresholdCents).cents,
                                      *plan.tolerableCents, *plan.expectedCents, plan.confidence})
                .size;
    } else if (plan.method != SamplingMethod::Manual) {
        if (size.isEmpty())
            throw UsageError(QStringLiteral("请给出样本量 --size N，或 --tolerable 以计算样本量"));
        plan.size = wholeNumber(QStringLiteral("--size"), size);
    }
    const SamplingOutcome outcome = Sampler::select(population, plan);
    if (preview) {
        BatchOutput::writeCells(
            {QStringLiteral("选样方法"), SelectionPlan::methodName(plan.method)});
        BatchOutput::writeCells({QStringLiteral("样本量"), QString::number(plan.size)});
        if (outcome.intervalCents > 0)
            BatchOutput::writeCells({QStringLiteral("抽样区间"),
                                     QString::number(outcome.intervalCents / 100.0, 'f', 2)});
        BatchOutput::writeCells({QStringLiteral("随机种子"), plan.seed});
        BatchOutput::write(QStringLiteral("（预览，未记入函证台账）\n"));
    } else {
        const LedgerSelection kept = SelectionRecording::record(*ledger, population, plan, outcome);
        for (const auto &[label, value] :
             SelectionSummary::lines(kept, ledger->population(kept.id)))
            BatchOutput::writeCells({label, value});
    }
    writeOwnKind(population, outcome);
    writePicks(population, outcome.picks);
    return 0;
}
