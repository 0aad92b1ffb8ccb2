#include "Sampler.h"

#include "Cents.h"
#include "SampleStream.h"
#include "platform/Exception.h"

#include <QHash>

#include <algorithm>
#include <optional>
#include <vector>

namespace Sampler {

namespace {

// The rows the method draws from: the positive balances below the key threshold. Only
// their count and total are kept; a row is found again by a pass in population order,
// which for a million rows costs less than lists of them would.
struct DrawFrame
{
    std::optional<qint64> threshold;
    qsizetype rows = 0;
    qint64 total = 0;
    bool holds(qint64 cents) const { return cents > 0 && (!threshold || cents < *threshold); }
};

struct Parts
{
    QList<int> keys, credits, zeros;
    DrawFrame frame;
};

Parts partition(const Population &population, const SelectionPlan &plan)
{
    if (plan.keyThresholdCents && *plan.keyThresholdCents <= 0)
        throw Exception(QStringLiteral("重要项目的金额下限必须大于零：%1 元")
                            .arg(Cents::text(*plan.keyThresholdCents)));
    Parts parts;
    parts.frame.threshold = plan.keyThresholdCents;
    for (int position = 0; position < population.size(); ++position) {
        const qint64 cents = population.cents(position);
        if (parts.frame.holds(cents)) {
            ++parts.frame.rows;
            if (__builtin_add_overflow(parts.frame.total, cents, &parts.frame.total))
                throw Exception(QStringLiteral("可抽样的总体金额超出可以计算的范围"));
        } else if (cents < 0) {
            parts.credits.append(position);
        } else if (cents == 0) {
            parts.zeros.append(position);
        } else {
            parts.keys.append(position);
        }
    }
    return parts;
}

// The population positions of frame rows, for ascending 'targets': the row holding each
// monetary unit, or the row at each index of the frame.
QList<int> frameRows(const Population &population, const DrawFrame &frame,
                     const QList<qint64> &targets, bool units)
{
    QList<int> found;
    found.reserve(targets.size());
    qint64 end = 0; // units: the end of the frame's units so far; else its rows
    qsizetype next = 0;
    for (int position = 0; position < population.size() && next < targets.size(); ++position) {
        const qint64 cents = population.cents(position);
        if (!frame.holds(cents))
            continue;
        end += units ? cents : 1;
        while (next < targets.size() && targets[next] < end) {
            found.append(position);
            ++next;
        }
    }
    return found;
}

// What every drawing round needs: something to draw from, a size it holds.
void requireDrawable(const SelectionPlan &plan, const DrawFrame &frame, qint64 size,
                     const QString &sizeName)
{
    if (size <= 0)
        throw Exception(QStringLiteral("%1必须大于零：%2").arg(sizeName).arg(size));
    if (frame.total == 0)
        throw Exception(plan.keyThresholdCents
                            ? QStringLiteral("可抽样的总体金额为零：重要项目界限以下没有正数余额"
                                             "的行，无法抽样；只选重要项目时请用“手工选样”")
                            : QStringLiteral("可抽样的总体金额为零：总体中没有正数余额的行，"
                                             "无法抽样"));
    if (plan.method == SamplingMethod::SimpleRandom) {
        if (size > frame.rows)
            throw Exception(
                QStringLiteral("%1 %2 大于可抽样的 %3 行").arg(sizeName).arg(size).arg(frame.rows));
    } else if (size > frame.total) {
        throw Exception(QStringLiteral("%1 %2 大于可抽样的 %3 个货币单位（%4 元，每分一个单位）")
                            .arg(sizeName)
                            .arg(size)
                            .arg(frame.total)
                            .arg(Cents::text(frame.total)));
    }
}

void requireManual(const Population &population, const QList<int> &manual)
{
    for (int position : manual)
        if (position < 0 || position >= population.size())
            throw Exception(QStringLiteral("手工选取的第 %1 项不在总体中（总体共 %2 行）")
                                .arg(qint64(position) + 1)
                                .arg(population.size()));
}

// Collects the picks of one round, each row once.
class Picker
{
public:
    Picker(const Population &population, int round)
        : m_picked(size_t(population.size()), false), m_round(round)
    {
    }
    void already(int position) { m_picked[size_t(position)] = true; }
    void pick(int position, const QString &reason, qint64 point = -1)
    {
        if (m_picked[size_t(position)])
            return;
        m_picked[size_t(position)] = true;
        picks.append({position, reason, point, m_round});
    }
    QList<SelectionPick> picks;

private:
    std::vector<bool> m_picked;
    int m_round;
};

// Products of a total and a size reach past 64 bits.
__extension__ typedef __int128 Wide;

qint64 pointOf(Wide unit, qint64 size)
{
    return qint64(unit / size);
}

// The points of monetary-unit sampling, in ascending order, all in whole numbers so that
// any machine finds the same: from one random start every total/size units, or one
// random point in each of 'size' equal cells.
QList<qint64> points(SampleStream &stream, SamplingMethod method, qint64 total, qint64 size,
                     qint64 *start)
{
    QList<qint64> found;
    found.reserve(size);
    if (method == SamplingMethod::MonetarySystematic) {
        const qint64 r = stream.below(total);
        *start = r / size;
        for (qint64 i = 0; i < size; ++i)
            found.append(pointOf(r + Wide(i) * total, size));
    } else {
        for (qint64 i = 0; i < size; ++i)
            found.append(pointOf(Wide(i) * total + stream.below(total), size));
    }
    return found;
}

// A Fisher-Yates shuffle of the frame's rows, taken a step at a time: step i swaps place
// i with a place from i on. A sample of n is the first n places, so carrying on from
// step n gives the rows a larger sample would have had. Only the places touched are kept.
class Shuffle
{
public:
    explicit Shuffle(qsizetype rows) : m_rows(rows) {}
    qsizetype steps() const { return m_steps; }
    qsizetype step(SampleStream &stream)
    {
        const qsizetype i = m_steps++;
        const qsizetype j = i + stream.below(m_rows - i);
        const qsizetype atJ = m_moved.value(j, j);
        m_moved[j] = m_moved.value(i, i);
        m_moved[i] = atJ;
        return atJ;
    }

private:
    qsizetype m_rows;
    qsizetype m_steps = 0;
    QHash<qsizetype, qsizetype> m_moved;
};

void draw(Picker &picker, SamplingOutcome &outcome, const Population &population,
          const DrawFrame &frame, const SelectionPlan &plan, SampleStream &stream, Shuffle &shuffle,
          int size)
{
    outcome.points = size;
    outcome.sampledCents = frame.total;
    outcome.sampledRows = int(frame.rows);
    if (plan.method == SamplingMethod::SimpleRandom) {
        QList<qint64> drawn; // frame indices, in the order drawn
        for (int i = 0; i < size; ++i)
            drawn.append(shuffle.step(stream));
        QList<qint64> ascending = drawn;
        std::sort(ascending.begin(), ascending.end());
        const QList<int> rows = frameRows(population, frame, ascending, false);
        QHash<qint64, int> positionOf;
        for (qsizetype i = 0; i < rows.size(); ++i)
            positionOf.insert(ascending[i], rows[i]);
        for (qint64 index : drawn)
            picker.pick(positionOf.value(index), PickReason::Sampled);
        return;
    }
    outcome.intervalCents = double(frame.total) / size;
    const QList<qint64> found =
        points(stream, plan.method, frame.total, size,
               plan.method == SamplingMethod::MonetarySystematic ? &outcome.startCents : nullptr);
    // A row hit again keeps the point that hit it first.
    const QList<int> rows = frameRows(population, frame, found, true);
    for (qsizetype i = 0; i < rows.size(); ++i)
        picker.pick(rows[i], PickReason::Sampled, found[i]);
}

} // namespace

Frame frameOf(const Population &population, std::optional<qint64> keyThresholdCents)
{
    SelectionPlan plan;
    plan.keyThresholdCents = keyThresholdCents;
    const Parts parts = partition(population, plan);
    return {int(parts.frame.rows), parts.frame.total};
}

SamplingOutcome select(const Population &population, const SelectionPlan &plan)
{
    const bool drawing = plan.method != SamplingMethod::Manual;
    if (drawing)
        SampleStream::requireSeed(plan.seed);
    const Parts parts = partition(population, plan);
    requireManual(population, plan.manual);
    if (drawing)
        requireDrawable(plan, parts.frame, plan.size, QStringLiteral("样本量"));

    SamplingOutcome outcome;
    outcome.credits = parts.credits;
    outcome.zeros = parts.zeros;
    Picker picker(population, 0);
    for (int position : parts.keys)
        picker.pick(position, PickReason::Key);
    SampleStream stream(plan.seed);
    if (drawing) {
        Shuffle shuffle(parts.frame.rows);
        draw(picker, outcome, population, parts.frame, plan, stream, shuffle, plan.size);
    }
    for (int position : plan.manual)
        picker.pick(position, PickReason::Manual);
    outcome.picks = picker.picks;
    outcome.drawsAfter = stream.position();
    // A selection of nothing would print no letter and document no choice.
    if (outcome.picks.isEmpty())
        throw Exception(QStringLiteral("没有选中任何行，选样未记录：请设重要项目界限、"
                                       "勾选要手工选取的行或选择抽样方法"));
    return outcome;
}

SamplingOutcome extend(const Population &population, const LedgerSelection &selection,
                       const SelectionPlan &plan, int added, const QList<int> &manual)
{
    if (!selection.populationSha256.isEmpty() && !population.sha256().isEmpty() &&
        selection.populationSha256 != population.sha256())
        throw Exception(QStringLiteral("表格与选样时的总体不同，不能追加选样"));
    if (added < 0)
        throw Exception(QStringLiteral("追加的样本量不能为负数：%1").arg(added));
    // The same texts read as other amounts (another machine's regional settings) would
    // draw from another frame.
    if (selection.totalCents != population.totalCents())
        throw Exception(
            QStringLiteral("表格的账面金额合计（%1）与选样时（%2）不同，"
                           "不能追加选样：请检查区域设置中的小数点")
                .arg(Cents::text(population.totalCents()), Cents::text(selection.totalCents)));
    if (added > 0 && plan.method == SamplingMethod::Manual)
        throw Exception(QStringLiteral("手工选样不抽取样本，只能追加手工选取的行"));
    if (added > 0)
        SampleStream::requireSeed(selection.seed);
    const Parts parts = partition(population, plan);
    requireManual(population, manual);

    SamplingOutcome outcome;
    outcome.credits = parts.credits;
    outcome.zeros = parts.zeros;
    const qint64 drawsBefore = selection.rounds.isEmpty() ? 0 : selection.rounds.last().drawsAfter;
    Picker picker(population, int(selection.rounds.size()));
    for (const SelectionPick &pick : selection.picks)
        if (pick.position >= 0 && pick.position < population.size())
            picker.already(pick.position);
    if (added > 0) {
        Shuffle shuffle(parts.frame.rows);
        SampleStream stream(selection.seed, drawsBefore);
        if (plan.method == SamplingMethod::SimpleRandom) {
            // The shuffle so far is made again from the seed: its draws are the ones used.
            stream = SampleStream(selection.seed);
            while (stream.position() < drawsBefore && shuffle.steps() < parts.frame.rows)
                shuffle.step(stream);
            if (stream.position() != drawsBefore)
                throw Exception(QStringLiteral("选样记录的抽取次数（%1）与种子的抽取不符，"
                                               "不能追加选样")
                                    .arg(drawsBefore));
        }
        requireDrawable(
            plan, parts.frame,
            plan.method == SamplingMethod::SimpleRandom ? shuffle.steps() + added : added,
            plan.method == SamplingMethod::SimpleRandom ? QStringLiteral("追加后的样本量")
                                                        : QStringLiteral("追加的样本量"));
        draw(picker, outcome, population, parts.frame, plan, stream, shuffle, added);
        outcome.drawsAfter = stream.position();
    } else {
        outcome.drawsAfter = drawsBefore;
    }
    for (int position : manual)
        picker.pick(position, PickReason::Manual);
    outcome.picks = picker.picks;
    return outcome;
}

} // namespace Sampler
