// The sampling of rows for letters: draws that any machine repeats from the seed, rows
// chosen in proportion to their amounts, extensions that keep what was chosen, the sample
// size of the audit guides, and the population's hash and differences.

#include "control/Cents.h"
#include "control/Population.h"
#include "control/PopulationDiff.h"
#include "control/ReliabilityFactors.h"
#include "control/SampleSize.h"
#include "control/SampleStream.h"
#include "control/Sampler.h"
#include "platform/Exception.h"
#include "support/MessageOf.h"
#include "table/StringGridModel.h"

#include <QCryptographicHash>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <functional>
#include <memory>

Q_DECLARE_METATYPE(SamplingMethod)

namespace {

RegionalSettings settings()
{
    RegionalSettings s;
    s.shortDateFormat = QStringLiteral("yyyy/M/d");
    s.dateSeparator = QLatin1Char('/');
    s.decimalSeparator = QLatin1Char('.');
    s.timeFormat = QStringLiteral("H:mm:ss");
    return s;
}

// A receivables table: a title row, then one row per amount (in yuan), numbered WL-001 ….
std::unique_ptr<StringGridModel> tableOf(const QList<QStringList> &rows)
{
    auto table = std::make_unique<StringGridModel>();
    table->setColCount(5);
    table->setRowCount(int(rows.size()) + 1);
    const QStringList titles{QStringLiteral("客户单位"), QStringLiteral("截止日期"),
                             QStringLiteral("应收金额"), QStringLiteral("函编号")};
    for (int c = 0; c < titles.size(); ++c)
        table->setCells(c, 0, titles[c]);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            table->setCells(c, r + 1, rows[r][c]);
    return table;
}

std::unique_ptr<StringGridModel> tableOfAmounts(const QStringList &amounts)
{
    QList<QStringList> rows;
    for (int i = 0; i < amounts.size(); ++i)
        rows.append({QStringLiteral("客户%1").arg(i + 1), QStringLiteral("2026/12/31"), amounts[i],
                     QStringLiteral("WL-%1").arg(i + 1, 3, 10, QLatin1Char('0'))});
    return tableOf(rows);
}

// Twenty positive rows in three runs of 3,000 yuan each, so that with three points every
// row lies inside one interval; among them two key items, a credit and two zeros.
const QStringList kMixed{"100", "200", "300", "400", "500", "-300",  "600", "900", "8000",
                         "150", "250", "0",   "350", "450", "550",   "650", "600", "1000",
                         "800", "500", "400", "200", "100", "12000", "0.00"};
const qint64 kThreshold = 500000; // 5,000 yuan
const QList<int> kKeys{8, 23}, kCredits{5}, kZeros{11, 24};
const qint64 kFrameCents = 900000;

SelectionPlan planOf(SamplingMethod method, int size, const QString &seed)
{
    SelectionPlan plan;
    plan.method = method;
    plan.size = size;
    plan.seed = seed;
    plan.keyThresholdCents = kThreshold;
    return plan;
}

QList<int> positionsOf(const QList<SelectionPick> &picks, const QString &reason = QString())
{
    QList<int> positions;
    for (const SelectionPick &pick : picks)
        if (reason.isEmpty() || pick.reason == reason)
            positions.append(pick.position);
    return positions;
}

// A selection as the ledger would keep it after its first round.
LedgerSelection recorded(const Population &population, const SelectionPlan &plan,
                         const SamplingOutcome &outcome)
{
    LedgerSelection selection;
    selection.rowCount = population.size();
    selection.totalCents = population.totalCents();
    selection.populationSha256 = population.sha256();
    selection.seed = plan.seed;
    SelectionRound first;
    first.parameters = plan.toJson();
    first.drawsAfter = outcome.drawsAfter;
    selection.rounds.append(first);
    selection.picks = outcome.picks;
    return selection;
}

quint64 drawOf(const QByteArray &text)
{
    return qFromBigEndian<quint64>(
        QCryptographicHash::hash(text, QCryptographicHash::Sha256).constData());
}

} // namespace

class TestSelection : public QObject
{
    Q_OBJECT

private slots:
    void streamDraws();
    void seeds_data();
    void seeds();
    void reliabilityFactors_data();
    void reliabilityFactors();
    void sampleSizeWorkedExample();
    void sampleSizeErrors_data();
    void sampleSizeErrors();
    void repeatableFromSeed_data();
    void repeatableFromSeed();
    void inclusionInProportionToSize_data();
    void inclusionInProportionToSize();
    void extensionKeepsEarlierPicks_data();
    void extensionKeepsEarlierPicks();
    void randomExtensionEqualsLargerSample();
    void thresholdAndManualPicks();
    void refusedPlans_data();
    void refusedPlans();
    void amountsOfTheTable_data();
    void amountsOfTheTable();
    void populationHash();
    void populationDiff_data();
    void populationDiff();
};

void TestSelection::streamDraws()
{
    // Pinned: a change of the rule would change every recorded selection's picks.
    SampleStream stream(QStringLiteral("20261210"));
    const QList<quint64> pinned{12082677168780710445ULL, 15481880188331461193ULL,
                                15043025233122063493ULL, 15664760486776175373ULL};
    for (int i = 0; i < pinned.size(); ++i) {
        QCOMPARE(drawOf("20261210:" + QByteArray::number(i)), pinned[i]);
        QCOMPARE(stream.next(), pinned[i]);
    }
    QCOMPARE(stream.position(), 4);
    // A stream started later gives the same draws from there.
    QCOMPARE(SampleStream(QStringLiteral("20261210"), 2).next(), pinned[2]);
    // Bound 3 x 2^61: two whole multiples of it fit below 2^64, and draws at or above
    // 6 x 2^61 are drawn again rather than folded over, which would make the lowest two
    // thirds half as likely again. Draws 1 to 3 are all above; draw 4 is the first below.
    SampleStream bounded(QStringLiteral("20261210"), 1);
    QCOMPARE(bounded.below(qint64(3) << 61), qint64(1276925719879056305LL));
    QCOMPARE(bounded.position(), 5);
    // A power of two takes every draw.
    SampleStream halves(QStringLiteral("20261210"));
    QCOMPARE(halves.below(qint64(1) << 62), qint64(pinned[0] % (quint64(1) << 62)));
    QCOMPARE(halves.position(), 1);
    // The seed is text: "7" and "07" are different seeds.
    QVERIFY(SampleStream(QStringLiteral("7")).next() != SampleStream(QStringLiteral("07")).next());
}

void TestSelection::seeds_data()
{
    QTest::addColumn<QString>("seed");
    QTest::addColumn<bool>("good");
    QTest::newRow("one digit") << "0" << true;
    QTest::newRow("eighteen digits") << "123456789012345678" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("nineteen digits") << "1234567890123456789" << false;
    QTest::newRow("letters") << "12a" << false;
    QTest::newRow("full-width digits") << "１２" << false;
    QTest::newRow("space") << " 12" << false;
    QTest::newRow("sign") << "-12" << false;
}

void TestSelection::seeds()
{
    QFETCH(QString, seed);
    QFETCH(bool, good);
    QCOMPARE(messageOf([&] { SampleStream::requireSeed(seed); }),
             good ? QString() : QStringLiteral("随机种子必须是 1 至 18 位数字：“%1”").arg(seed));
    const QString made = SampleStream::newSeed();
    QCOMPARE(made.size(), 9);
    QVERIFY(made[0] != QLatin1Char('0'));
    SampleStream::requireSeed(made);
}

void TestSelection::reliabilityFactors_data()
{
    QTest::addColumn<int>("confidence");
    QTest::addColumn<QList<double>>("table");
    QTest::addColumn<double>("expansion");
    // The Poisson table of the audit sampling guides, factors for 0 to 5 errors, as
    // printed: rounded up to two decimals.
    QTest::newRow("90 %") << 90 << QList<double>{2.31, 3.89, 5.33, 6.69, 8.00, 9.28} << 1.5;
    QTest::newRow("95 %") << 95 << QList<double>{3.00, 4.75, 6.30, 7.76, 9.16, 10.52} << 1.6;
    QTest::newRow("99 %") << 99 << QList<double>{4.61, 6.64, 8.41, 10.05, 11.61, 13.11} << 1.9;
}

void TestSelection::reliabilityFactors()
{
    QFETCH(int, confidence);
    QFETCH(QList<double>, table);
    QFETCH(double, expansion);
    for (int errors = 0; errors < table.size(); ++errors) {
        const double factor = ReliabilityFactors::factor(confidence, errors);
        QCOMPARE(std::ceil(factor * 100 - 1e-9) / 100, table[errors]);
        QVERIFY(factor > table[errors] - 0.01);
    }
    // Without errors the factor is -ln(risk) exactly.
    QVERIFY(std::abs(ReliabilityFactors::factor(confidence, 0) -
                     -std::log(1 - confidence / 100.0)) < 1e-9);
    // Far beyond the printed table: still a limit above the errors found, growing with them.
    QVERIFY(ReliabilityFactors::factor(confidence, 200) > 200);
    QVERIFY(ReliabilityFactors::factor(confidence, 200) <
            ReliabilityFactors::factor(confidence, 201));
    QCOMPARE(ReliabilityFactors::expansion(confidence), expansion);
}

void TestSelection::sampleSizeWorkedExample()
{
    // University of Florida, ACG 5637 lecture notes L12, the monetary-unit sampling example:
    // book value 2,500,000, tolerable misstatement 125,000, anticipated misstatement
    // 27,722 at 95 % give a sample of 93 and an interval of 26,882. With the factor
    // rounded to 3.00 it would be 94: the factor must be the exact 2.9957.
    const SampleSize::Result result = SampleSize::monetaryUnit({250000000, 12500000, 2772200, 95});
    QCOMPARE(result.size, 93);
    QCOMPARE(result.expansion, 1.6);
    QCOMPARE(std::round(result.intervalCents), 2688172.0);
    QCOMPARE(std::round(result.intervalCents / 100), 26882.0);
}

void TestSelection::sampleSizeErrors_data()
{
    QTest::addColumn<qint64>("population");
    QTest::addColumn<qint64>("tolerable");
    QTest::addColumn<qint64>("expected");
    QTest::addColumn<int>("confidence");
    QTest::addColumn<QString>("message");
    QTest::newRow("population zero")
        << qint64(0) << qint64(100) << qint64(0) << 95 << "总体金额为零，无法抽样";
    QTest::newRow("population negative") << qint64(-123456) << qint64(100) << qint64(0) << 95
                                         << "总体金额为负数（-1,234.56 元），无法抽样";
    QTest::newRow("tolerable zero")
        << qint64(100000) << qint64(0) << qint64(0) << 95 << "可容忍错报必须大于零";
    QTest::newRow("expected negative")
        << qint64(100000) << qint64(100) << qint64(-1) << 95 << "预期错报不能为负数";
    QTest::newRow("tolerable equals expected expanded")
        << qint64(250000000) << qint64(1600000) << qint64(1000000) << 95
        << "可容忍错报（16,000.00 元）必须大于预期错报（10,000.00 元）乘以扩张系数 1.6 的积"
           "（16,000.00 元）";
    QTest::newRow("size beyond the cap")
        << qint64(100000000000) << qint64(100) << qint64(0) << 95
        << "算出的样本量 2995732274 超过上限 100000：可容忍错报相对总体金额过小";
    QTest::newRow("confidence not offered") << qint64(100000) << qint64(100) << qint64(0) << 80
                                            << "置信水平只能是 90%、95% 或 99%，不能是 80%";
}

void TestSelection::sampleSizeErrors()
{
    QFETCH(qint64, population);
    QFETCH(qint64, tolerable);
    QFETCH(qint64, expected);
    QFETCH(int, confidence);
    QFETCH(QString, message);
    QCOMPARE(messageOf([&] {
                 SampleSize::monetaryUnit({population, tolerable, expected, confidence});
             }),
             message);
}

void TestSelection::repeatableFromSeed_data()
{
    QTest::addColumn<SamplingMethod>("method");
    QTest::newRow("systematic") << SamplingMethod::MonetarySystematic;
    QTest::newRow("cell") << SamplingMethod::MonetaryCell;
    QTest::newRow("simple random") << SamplingMethod::SimpleRandom;
}

void TestSelection::repeatableFromSeed()
{
    QFETCH(SamplingMethod, method);
    const auto table = tableOfAmounts(kMixed);
    const Population population = Population::fromTable(*table, settings());
    SelectionPlan plan = planOf(method, 6, QStringLiteral("4711"));
    plan.tolerableCents = 1234567;
    plan.manual = {5};
    const SamplingOutcome first = Sampler::select(population, plan);
    const SelectionPlan read = SelectionPlan::fromJson(plan.toJson());
    QCOMPARE(read.toJson(), plan.toJson());
    QCOMPARE(read.method, method);
    QCOMPARE(read.manual, plan.manual);
    QCOMPARE(read.tolerableCents, plan.tolerableCents);
    QVERIFY(!read.expectedCents);
    const SamplingOutcome again = Sampler::select(population, read);
    QCOMPARE(again.picks, first.picks);
    QCOMPARE(again.drawsAfter, first.drawsAfter);
    QCOMPARE(positionsOf(first.picks, PickReason::Key), kKeys);
    QCOMPARE(positionsOf(first.picks, PickReason::Manual), QList<int>{5});
    QCOMPARE(first.credits, kCredits);
    QCOMPARE(first.zeros, kZeros);
    QCOMPARE(first.sampledCents, kFrameCents);
    QCOMPARE(first.sampledRows, 20);

    plan.seed = QStringLiteral("4712");
    QVERIFY(positionsOf(Sampler::select(population, plan).picks) != positionsOf(first.picks));

    if (method != SamplingMethod::SimpleRandom) {
        // Each point lies in its row's units; systematic points lie an interval apart
        // from the start, to the unit.
        QCOMPARE(first.intervalCents, kFrameCents / 6.0);
        qint64 before = 0;
        QHash<int, QPair<qint64, qint64>> units; // position: [start, end)
        for (int position = 0; position < population.size(); ++position)
            if (population.cents(position) > 0 && population.cents(position) < kThreshold) {
                units[position] = {before, before + population.cents(position)};
                before += population.cents(position);
            }
        int i = 0;
        for (const SelectionPick &pick : first.picks) {
            if (pick.reason != PickReason::Sampled)
                continue;
            QVERIFY(pick.point >= units[pick.position].first);
            QVERIFY(pick.point < units[pick.position].second);
            if (method == SamplingMethod::MonetarySystematic)
                QCOMPARE(pick.point, first.startCents + i * kFrameCents / 6);
            ++i;
        }
    }
}

void TestSelection::inclusionInProportionToSize_data()
{
    repeatableFromSeed_data();
}

void TestSelection::inclusionInProportionToSize()
{
    QFETCH(SamplingMethod, method);
    const auto table = tableOfAmounts(kMixed);
    const Population population = Population::fromTable(*table, settings());
    const int points = 3, trials = 10000;
    QHash<int, int> counts;
    for (int seed = 1; seed <= trials; ++seed) {
        const SamplingOutcome outcome =
            Sampler::select(population, planOf(method, points, QString::number(seed)));
        QCOMPARE(positionsOf(outcome.picks, PickReason::Key), kKeys);
        for (int position : positionsOf(outcome.picks, PickReason::Sampled))
            ++counts[position];
    }
    for (int position : kCredits + kZeros)
        QVERIFY(!counts.contains(position));
    // Each row is drawn at most once a trial (each lies inside one interval), so its
    // expected count is trials x n x amount / total for monetary units, trials x n / rows
    // for simple random. The counts over the 20 rows add up to trials x n, so the test has
    // 19 degrees of freedom: chi-square's critical value at p = 0.001 is 43.820.
    double chiSquare = 0;
    int rows = 0;
    for (int position = 0; position < population.size(); ++position) {
        const qint64 cents = population.cents(position);
        if (cents <= 0 || cents >= kThreshold)
            continue;
        ++rows;
        const double expected = method == SamplingMethod::SimpleRandom
                                    ? double(trials) * points / 20
                                    : double(trials) * points * cents / kFrameCents;
        const double observed = counts.value(position);
        chiSquare += (observed - expected) * (observed - expected) / expected;
    }
    QCOMPARE(rows, 20);
    QVERIFY2(chiSquare < 43.820, qPrintable(QString::number(chiSquare)));
}

void TestSelection::extensionKeepsEarlierPicks_data()
{
    repeatableFromSeed_data();
}

void TestSelection::extensionKeepsEarlierPicks()
{
    QFETCH(SamplingMethod, method);
    const auto table = tableOfAmounts(kMixed);
    const Population population = Population::fromTable(*table, settings());
    const SelectionPlan plan = planOf(method, 4, QStringLiteral("99"));
    const SamplingOutcome first = Sampler::select(population, plan);
    LedgerSelection selection = recorded(population, plan, first);
    const SamplingOutcome more = Sampler::extend(population, selection, plan, 5, {5, 0, 8});
    QCOMPARE(more.points, 5);
    // Systematic sampling draws its start only; the others a draw a point or row at least.
    QVERIFY(more.drawsAfter >=
            first.drawsAfter + (method == SamplingMethod::MonetarySystematic ? 1 : 5));
    QSet<int> before;
    for (const SelectionPick &pick : first.picks)
        before.insert(pick.position);
    QSet<int> seen;
    for (const SelectionPick &pick : more.picks) {
        QVERIFY2(!before.contains(pick.position), qPrintable(QString::number(pick.position)));
        QVERIFY(!seen.contains(pick.position));
        seen.insert(pick.position);
        QCOMPARE(pick.round, 1);
    }
    // The key item 8 was picked already, row 0 may have been, earlier or by this round's
    // draws; the credit never was.
    QVERIFY(positionsOf(more.picks, PickReason::Manual).contains(5));
    QVERIFY(!positionsOf(more.picks, PickReason::Manual).contains(8));
    QCOMPARE(positionsOf(more.picks, PickReason::Manual).contains(0),
             !before.contains(0) && !positionsOf(more.picks, PickReason::Sampled).contains(0));
    // The same extension again gives the same rows; a second one goes on after it.
    QCOMPARE(Sampler::extend(population, selection, plan, 5, {5, 0, 8}).picks, more.picks);
    SelectionRound second;
    second.round = 1;
    second.drawsAfter = more.drawsAfter;
    selection.rounds.append(second);
    selection.picks += more.picks;
    const SamplingOutcome third = Sampler::extend(population, selection, plan, 2);
    QVERIFY(third.drawsAfter > more.drawsAfter);
    for (const SelectionPick &pick : third.picks)
        QVERIFY(!before.contains(pick.position) && !seen.contains(pick.position));
    // Manual additions alone draw nothing.
    QCOMPARE(Sampler::extend(population, selection, plan, 0, {1}).drawsAfter, more.drawsAfter);
}

void TestSelection::randomExtensionEqualsLargerSample()
{
    const auto table = tableOfAmounts(kMixed);
    const Population population = Population::fromTable(*table, settings());
    for (const QString seed : {"1", "2", "3", "1234567"}) {
        const SelectionPlan small = planOf(SamplingMethod::SimpleRandom, 4, seed);
        const SamplingOutcome first = Sampler::select(population, small);
        LedgerSelection selection = recorded(population, small, first);
        const SamplingOutcome more = Sampler::extend(population, selection, small, 7);
        SelectionRound second;
        second.drawsAfter = more.drawsAfter;
        selection.rounds.append(second);
        selection.picks += more.picks;
        const SamplingOutcome last = Sampler::extend(population, selection, small, 9);
        const SamplingOutcome whole =
            Sampler::select(population, planOf(SamplingMethod::SimpleRandom, 20, seed));
        QCOMPARE(positionsOf(first.picks + more.picks + last.picks, PickReason::Sampled),
                 positionsOf(whole.picks, PickReason::Sampled));
        QCOMPARE(last.drawsAfter, whole.drawsAfter);
        // Beyond every row of the frame, the extension is refused.
        selection.rounds.last().drawsAfter = last.drawsAfter;
        selection.picks += last.picks;
        QCOMPARE(messageOf([&] { Sampler::extend(population, selection, small, 1); }),
                 QStringLiteral("追加后的样本量 21 大于可抽样的 20 行"));
    }
}

void TestSelection::thresholdAndManualPicks()
{
    // At the threshold is a key item; without one, every positive row is drawn from.
    const auto table = tableOfAmounts({"5000", "4999.99", "-6000", "0", "10"});
    const Population population = Population::fromTable(*table, settings());
    SelectionPlan plan = planOf(SamplingMethod::MonetarySystematic, 1, QStringLiteral("5"));
    plan.manual = {2, 0, 3, 2};
    SamplingOutcome outcome = Sampler::select(population, plan);
    QCOMPARE(positionsOf(outcome.picks, PickReason::Key), QList<int>{0});
    QCOMPARE(outcome.sampledCents, 500999);
    QCOMPARE(positionsOf(outcome.picks, PickReason::Manual), (QList<int>{2, 3}));
    QCOMPARE(outcome.picks.last().point, -1);
    plan.keyThresholdCents.reset();
    outcome = Sampler::select(population, plan);
    QVERIFY(positionsOf(outcome.picks, PickReason::Key).isEmpty());
    QCOMPARE(outcome.sampledCents, 1000999);
    QCOMPARE(outcome.sampledRows, 3);
    plan.method = SamplingMethod::Manual;
    plan.seed.clear();
    outcome = Sampler::select(population, plan);
    QCOMPARE(positionsOf(outcome.picks), (QList<int>{2, 0, 3}));
    QCOMPARE(outcome.drawsAfter, 0);
    QCOMPARE(population.totalCents(), 500000 + 499999 - 600000 + 1000);
}

void TestSelection::refusedPlans_data()
{
    QTest::addColumn<QStringList>("amounts");
    QTest::addColumn<SamplingMethod>("method");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("seed");
    QTest::addColumn<qint64>("threshold");
    QTest::addColumn<QList<int>>("manual");
    QTest::addColumn<QString>("message");
    const QStringList few{"10", "20", "-5", "0", "900"};
    QTest::newRow("more rows than the frame")
        << few << SamplingMethod::SimpleRandom << 3 << "1" << qint64(50000) << QList<int>{}
        << "样本量 3 大于可抽样的 2 行";
    QTest::newRow("more points than units")
        << QStringList{"0.02", "0.01"} << SamplingMethod::MonetaryCell << 4 << "1" << qint64(0)
        << QList<int>{} << "样本量 4 大于可抽样的 3 个货币单位（0.03 元，每分一个单位）";
    QTest::newRow("size zero") << few << SamplingMethod::MonetarySystematic << 0 << "1" << qint64(0)
                               << QList<int>{} << "样本量必须大于零：0";
    QTest::newRow("nothing positive below the threshold")
        << few << SamplingMethod::MonetarySystematic << 1 << "1" << qint64(1000) << QList<int>{}
        << "可抽样的总体金额为零：重要项目界限以下没有正数余额的行，无法抽样；只选重要项目时请用"
           "“手工选样”";
    QTest::newRow("credits and zeros only")
        << QStringList{"-5", "0"} << SamplingMethod::SimpleRandom << 1 << "1" << qint64(0)
        << QList<int>{} << "可抽样的总体金额为零：总体中没有正数余额的行，无法抽样";
    QTest::newRow("nothing picked by hand")
        << QStringList{"-5", "0", "10"} << SamplingMethod::Manual << 0 << "1" << qint64(0)
        << QList<int>{}
        << "没有选中任何行，选样未记录：请设重要项目界限、勾选要手工选取的行或选择抽样方法";
    QTest::newRow("manual outside")
        << few << SamplingMethod::MonetarySystematic << 1 << "1" << qint64(0) << QList<int>{5}
        << "手工选取的第 6 项不在总体中（总体共 5 行）";
    QTest::newRow("bad seed") << few << SamplingMethod::MonetarySystematic << 1 << "x1" << qint64(0)
                              << QList<int>{} << "随机种子必须是 1 至 18 位数字：“x1”";
    QTest::newRow("threshold not positive")
        << few << SamplingMethod::MonetarySystematic << 1 << "1" << qint64(-100) << QList<int>{}
        << "重要项目的金额下限必须大于零：-1.00 元";
}

void TestSelection::refusedPlans()
{
    QFETCH(QStringList, amounts);
    QFETCH(SamplingMethod, method);
    QFETCH(int, size);
    QFETCH(QString, seed);
    QFETCH(qint64, threshold);
    QFETCH(QList<int>, manual);
    QFETCH(QString, message);
    const auto table = tableOfAmounts(amounts);
    const Population population = Population::fromTable(*table, settings());
    SelectionPlan plan = planOf(method, size, seed);
    if (threshold)
        plan.keyThresholdCents = threshold;
    else
        plan.keyThresholdCents.reset();
    plan.manual = manual;
    QCOMPARE(messageOf([&] { Sampler::select(population, plan); }), message);
}

void TestSelection::amountsOfTheTable_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("message");
    QTest::newRow("plain") << "1234.5" << qint64(123450) << QString();
    QTest::newRow("spaces") << " 7 " << qint64(700) << QString();
    // To the cent as the letter prints it: 1.115 is 1.11499… in binary, printed 1.11,
    // though 1.115 x 100 comes out as 111.5 and would round to 112.
    QTest::newRow("half cent below") << "1.115" << qint64(111) << QString();
    QTest::newRow("half cent above") << "2.675000001" << qint64(268) << QString();
    QTest::newRow("negative") << "-0.125" << qint64(-13) << QString();
    QTest::newRow("unparsable") << "12,3x" << qint64(0)
                                << "第4行C列：'12,3x' is not a valid floating point value";
    QTest::newRow("empty") << "  " << qint64(0) << "第4行C列：应收金额为空";
    QTest::newRow("too large") << "1e18" << qint64(0) << "第4行C列：金额超出可以抽样的范围";
}

void TestSelection::amountsOfTheTable()
{
    QFETCH(QString, amount);
    QFETCH(qint64, cents);
    QFETCH(QString, message);
    // Third data row; an empty row before it makes no letter and has no position.
    const auto table = tableOf({{"甲", "2026/12/31", "1", "A"},
                                {},
                                {"乙", "2026/12/31", amount, "B"},
                                {"丙", "2026/12/31", "2", "C"}});
    if (!message.isEmpty()) {
        QCOMPARE(messageOf([&] { Population::fromTable(*table, settings()); }), message);
        return;
    }
    const Population population = Population::fromTable(*table, settings());
    QCOMPARE(population.size(), 3);
    QCOMPARE(population.tableRow(1), 3);
    QCOMPARE(population.place(1), QStringLiteral("第4行"));
    QCOMPARE(population.cents(1), cents);
    QCOMPARE(population.totalCents(), cents + 300);
    QCOMPARE(population.row(1), (PopulationRow{"乙", "2026/12/31", amount.trimmed(), "B", cents}));
    QCOMPARE(Cents::of(amount.toDouble()), cents);
}

void TestSelection::populationHash()
{
    // Trimmed fields, a tab between, a newline after each row, UTF-8: the hash any other
    // program can make of the same rows. A character beyond the BMP checks the encoding.
    const auto table = tableOf(
        {{" 甲公司𠮷 ", "2026/12/31", "100.5", "WL-1", "备注"}, {}, {"乙", "", "-3", "WL-2"}});
    const QByteArray expected =
        QCryptographicHash::hash(QStringLiteral("甲公司𠮷\t2026/12/31\t100.5\tWL-1\n"
                                                "乙\t\t-3\tWL-2\n")
                                     .toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex();
    QCOMPARE(Population::sha256Of(*table), expected);
    QCOMPARE(Population::fromTable(*table, settings()).sha256(), expected);
    // Another column beyond the four, or spaces around a text, leave it; a changed
    // field changes it.
    table->setCells(4, 1, QStringLiteral("另一备注"));
    table->setCells(3, 3, QStringLiteral(" WL-2"));
    QCOMPARE(Population::sha256Of(*table), expected);
    for (int column = 0; column < 4; ++column) {
        const QString was = table->Cells(column, 3);
        table->setCells(column, 3, was + QStringLiteral("9"));
        QVERIFY(Population::sha256Of(*table) != expected);
        table->setCells(column, 3, was);
    }
    // Many rows go through the hash in blocks; the result is the hash of the whole text.
    QStringList amounts;
    QString text;
    for (int i = 0; i < 5000; ++i) {
        amounts.append(QString::number(i * 7));
        text += QStringLiteral("客户%1\t2026/12/31\t%2\tWL-%3\n")
                    .arg(i + 1)
                    .arg(i * 7)
                    .arg(i + 1, 3, 10, QLatin1Char('0'));
    }
    QCOMPARE(Population::sha256Of(*tableOfAmounts(amounts)),
             QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

void TestSelection::populationDiff_data()
{
    QTest::addColumn<QList<QStringList>>("now");
    QTest::addColumn<QString>("description");
    const QList<QStringList> numbered{{"甲", "2026/12/31", "100", "WL-1"},
                                      {"乙", "2026/12/31", "200", "WL-2"},
                                      {"丙", "2026/12/31", "300", "WL-3"}};
    QTest::newRow("same") << numbered << "与选样时的总体相同。";
    QTest::newRow("reordered") << QList<QStringList>{numbered[2], numbered[0], numbered[1]}
                               << "与选样时的总体相同。";
    QTest::newRow("numbered") << QList<QStringList>{{"甲", "2026/12/31", "150", "WL-1"},
                                                    numbered[2],
                                                    {"丁", "2026/12/31", "400", "WL-4"}}
                              << "与选样时的总体不同：新增 1 行，删除 1 行，改动 1 行。\n"
                                 "新增：第4行 WL-4 丁\n删除：WL-2 乙\n"
                                 "改动：第2行 WL-1 甲（应收金额“100”改为“150”）";
    // Without numbers on every row, customers match; equal ones in their order.
    QTest::newRow("by customer") << QList<QStringList>{{"甲", "2026/12/31", "100", ""},
                                                       {"乙", "2026/12/30", "200", "WL-2"},
                                                       {"乙", "2026/12/31", "300", "WL-3"},
                                                       {"丙", "2026/12/31", "300", "WL-3"}}
                                 << "与选样时的总体不同：新增 1 行，改动 2 行。\n"
                                    "新增：第4行 WL-3 乙\n"
                                    "改动：第2行 甲（函编号“WL-1”改为“”）；"
                                    "第3行 WL-2 乙（截止日期“2026/12/31”改为“2026/12/30”）";
    QList<QStringList> many = numbered;
    for (int i = 0; i < 12; ++i)
        many.append(
            {QStringLiteral("新%1").arg(i), "2026/12/31", "1", QStringLiteral("N-%1").arg(i)});
    QString listed;
    for (int i = 0; i < 10; ++i)
        listed += QStringLiteral("%1第%2行 N-%3 新%3").arg(i ? "；" : "").arg(i + 5).arg(i);
    QTest::newRow("many") << many
                          << "与选样时的总体不同：新增 12 行。\n新增：" + listed + " 等 12 行";
}

void TestSelection::populationDiff()
{
    QFETCH(QList<QStringList>, now);
    QFETCH(QString, description);
    const auto before = tableOf({{"甲", "2026/12/31", "100", "WL-1"},
                                 {"乙", "2026/12/31", "200", "WL-2"},
                                 {"丙", "2026/12/31", "300", "WL-3"}});
    const Population old = Population::fromTable(*before, settings());
    QList<PopulationRow> recorded;
    for (int position = 0; position < old.size(); ++position)
        recorded.append(old.row(position));
    const auto table = tableOf(now);
    const Population population = Population::fromTable(*table, settings());
    const PopulationDiff diff = PopulationDiff::between(recorded, population);
    QCOMPARE(diff.describe(recorded, population), description);
    QCOMPARE(diff.same(), description == QStringLiteral("与选样时的总体相同。"));
}

QTEST_GUILESS_MAIN(TestSelection)
#include "test_selection.moc"
