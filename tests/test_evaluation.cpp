// The evaluation of a confirmation's results: the judgement of each confirmation, the
// coverage and the projection over hundreds of random ledgers against a reference worked
// out here, the textbooks' worked examples, a real ledger file read back, and the batch
// tool run as a user runs it.

#include "control/Cents.h"
#include "control/CsvTable.h"
#include "control/Evaluation.h"
#include "control/SelectionParameters.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "support/BatchProcess.h"
#include "support/LedgerFixtures.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace Evaluation;

namespace {

// The confidence factors of monetary-unit sampling as the published tables print them
// (Poisson upper limits for 0 to 10 misstatements found).
const QHash<int, QList<double>> kPublished{
    {90, {2.31, 3.89, 5.33, 6.69, 8.00, 9.28, 10.54, 11.78, 13.00, 14.21, 15.41}},
    {95, {3.00, 4.75, 6.30, 7.76, 9.16, 10.52, 11.85, 13.15, 14.44, 15.71, 16.97}},
    {99, {4.61, 6.64, 8.41, 10.05, 11.61, 13.11, 14.58, 16.00, 17.41, 18.79, 20.15}}};

bool near(double value, double expected)
{
    return std::abs(value - expected) <= 1e-6 * std::max(1.0, std::abs(expected));
}

#define QCOMPARE_NEAR(value, expected)                                                             \
    QVERIFY2(                                                                                      \
        near((value), (expected)),                                                                 \
        qPrintable(QStringLiteral("%1 ≠ %2").arg((value), 0, 'f', 4).arg((expected), 0, 'f', 4)))

Sample monetary(double intervalCents, int confidence, std::optional<qint64> tolerableCents)
{
    Sample sample;
    sample.method = QStringLiteral("货币单位抽样（系统选样）");
    sample.monetary = true;
    sample.intervalCents = intervalCents;
    sample.confidence = confidence;
    sample.tolerableCents = tolerableCents;
    return sample;
}

// A sampled confirmation whose reply gives the audited amount.
Item sampled(qint64 bookCents, qint64 auditedCents)
{
    static int numbers = 0;
    Item item;
    item.number = QStringLiteral("S%1").arg(++numbers);
    item.bookCents = bookCents;
    item.replyCents = auditedCents;
    item.reason = PickReason::Sampled;
    return item;
}

ReconcilingItem reconciling(qint64 cents)
{
    ReconcilingItem item;
    item.kind = QStringLiteral("在途款项");
    item.cents = cents;
    return item;
}

qint64 rowCents(int n)
{
    return n * 100000; // HZ2026-000n: n thousand yuan
}

SentPage sentPage(int n, char hash)
{
    SentPage page;
    page.identity = ledgerLetter(n, rowCents(n));
    page.pageSha256 = QByteArray(64, hash);
    return page;
}

// --- Random inputs and the reference the evaluation must agree with.

struct Reference
{
    std::optional<double> over, under, upperLimit;
};

// The upper limit as the sampling guides lay it out: each overstatement tainting, largest
// first, times the rise of the factor at its rank, plus the basic precision and the actual
// misstatements of items taken whole; the projection the plain sum of taintings × interval.
Reference monetaryReference(const Result &result, const Sample &sample)
{
    Reference reference{0.0, 0.0, 0.0};
    QList<double> taintings;
    double whole = 0;
    for (const Judged &judged : result.judged) {
        if (judged.item.reason != PickReason::Sampled)
            continue;
        const double book = double(judged.item.bookCents);
        const double misstatement = double(judged.misstatementCents);
        double projected = misstatement;
        if (book > 0 && book < sample.intervalCents) {
            projected = misstatement / book * sample.intervalCents;
            if (misstatement > 0)
                taintings.append(misstatement / book);
        } else if (misstatement > 0) {
            whole += misstatement;
        }
        (projected > 0 ? *reference.over : *reference.under) += std::abs(projected);
    }
    std::sort(taintings.begin(), taintings.end(), std::greater<double>());
    const QList<double> &factors = kPublished.value(sample.confidence);
    double limit = factors[0] * sample.intervalCents + whole;
    for (qsizetype k = 1; k <= taintings.size(); ++k)
        limit += (factors[k] - factors[k - 1]) * taintings[k - 1] * sample.intervalCents;
    reference.upperLimit = limit;
    return reference;
}

Reference randomReference(const Result &result, const Sample &sample)
{
    double book = 0, over = 0, under = 0;
    for (const Judged &judged : result.judged)
        if (judged.item.reason == PickReason::Sampled) {
            book += double(judged.item.bookCents);
            (judged.misstatementCents > 0 ? over : under) +=
                std::abs(double(judged.misstatementCents));
        }
    if (book <= 0)
        return {};
    return {over / book * double(sample.frameCents), under / book * double(sample.frameCents), {}};
}

struct Generated
{
    Input input;
    bool credits = false;
};

Generated randomInput(QRandomGenerator &random)
{
    Generated made;
    const int rows = 1 + random.bounded(40);
    const bool withCredits = random.bounded(5) == 0;
    QList<qint64> amounts;
    for (int i = 0; i < rows; ++i) {
        const int kind = random.bounded(20);
        qint64 cents = 1 + random.bounded(10000000);
        if (kind == 0)
            cents = 0;
        else if (withCredits && kind < 4)
            cents = -cents / 10;
        made.credits = made.credits || cents < 0;
        amounts.append(cents);
        made.input.populationCents += cents;
    }
    made.input.populationRows = rows;
    const int method = random.bounded(4); // none, monetary, random, manual
    qint64 frame = 0;
    for (qint64 cents : std::as_const(amounts))
        frame += std::max<qint64>(cents, 0);
    if (method > 0) {
        Sample sample = monetary(double(frame) / (1 + random.bounded(30)),
                                 QList<int>{90, 95, 99}[random.bounded(3)], std::nullopt);
        sample.monetary = method == 1;
        sample.simpleRandom = method == 2;
        sample.method = method == 3 ? QStringLiteral("手工选样") : sample.method;
        sample.frameCents = frame;
        if (random.bounded(10) < 7)
            sample.tolerableCents = random.bounded(qMax<qint64>(frame, 1) + 1);
        made.input.sample = sample;
    }
    made.input.toleranceCents = QList<qint64>{0, 100, 5000}[random.bounded(3)];
    const QStringList results{QString(),
                              QStringLiteral("相符"),
                              QStringLiteral("不符"),
                              QStringLiteral("未回函"),
                              QStringLiteral("退函"),
                              QStringLiteral("调节后相符")};
    int sampledCount = 0;
    for (int i = 0; i < rows; ++i) {
        if (random.bounded(10) >= 6)
            continue;
        Item item;
        item.number = QStringLiteral("R%1").arg(i);
        item.bookCents = amounts[i];
        const int reason = method == 0 ? 3 : random.bounded(4);
        // No more misstatements in a sample than the tables above reach.
        const bool drawn = (method == 1 || method == 2) && reason == 1 && sampledCount < 10;
        sampledCount += drawn;
        item.reason = reason == 0   ? PickReason::Key
                      : drawn       ? PickReason::Sampled
                      : reason == 2 ? PickReason::Manual
                                    : QString();
        item.sent = random.bounded(10) != 0;
        item.result = results[random.bounded(results.size())];
        switch (random.bounded(5)) {
        case 0:
            item.replyCents = item.bookCents;
            break;
        case 1:
            item.replyCents = item.bookCents + random.bounded(10001) - 5000;
            break;
        case 2:
            item.replyCents = random.bounded(qMax<qint64>(2 * item.bookCents, 1));
            break;
        default:
            break;
        }
        for (int n = random.bounded(4); n > 0; --n)
            item.items.append(reconciling(random.bounded(40001) - 20000));
        if (random.bounded(5) == 0) {
            AlternativeProcedure procedure;
            procedure.coveredCents = random.bounded(qMax<qint64>(item.bookCents, 0) + 1);
            item.alternative = procedure;
        }
        made.input.items.append(item);
    }
    return made;
}

void checkTallies(const Result &result, const Generated &made)
{
    const Input &input = made.input;
    const Tally bases[] = {result.reply, result.reconciled, result.alternative, result.differs,
                           result.unconfirmed};
    Tally all, sent, confirmed;
    for (const Tally &tally : bases) {
        all.count += tally.count;
        all.cents += tally.cents;
    }
    qint64 book = 0, misstatements = 0;
    for (const Judged &judged : result.judged) {
        book += judged.item.bookCents;
        misstatements += judged.misstatementCents;
        if (judged.item.sent) {
            ++sent.count;
            sent.cents += judged.item.bookCents;
        }
    }
    QCOMPARE(all.count, int(input.items.size()));
    QCOMPARE(all.cents, book);
    QCOMPARE(result.sent.count, sent.count);
    QCOMPARE(result.sent.cents, sent.cents);
    QCOMPARE(result.knownCents + result.sampledFoundCents, misstatements);
    confirmed.count = result.reply.count + result.reconciled.count + result.alternative.count;
    confirmed.cents = result.reply.cents + result.reconciled.cents + result.alternative.cents;
    QVERIFY(confirmed.count <= result.population.count);
    QVERIFY(result.sent.count <= result.population.count);
    // Credit balances make the population's net amount smaller than the debit balances
    // covered: only a population of debit balances bounds the amount confirmed.
    if (!made.credits) {
        QVERIFY(confirmed.cents <= result.population.cents);
        QVERIFY(result.sent.cents <= result.population.cents);
    }
}

void checkItems(const Result &result, const Input &input)
{
    QCOMPARE(result.judged.size(), input.items.size());
    for (qsizetype i = 0; i < input.items.size(); ++i) {
        const Item &item = input.items[i];
        const Judged &judged = result.judged[i];
        QCOMPARE(judged.item.number, item.number);
        std::optional<qint64> after;
        if (item.replyCents) {
            after = *item.replyCents - item.bookCents;
            for (const ReconcilingItem &each : item.items)
                *after -= each.cents;
        }
        QCOMPARE(judged.differenceAfterCents.has_value(), after.has_value());
        QCOMPARE(judged.differenceAfterCents.value_or(0), after.value_or(0));
        // Whatever the basis, what is neither confirmed nor misstated is what the reply
        // explained within the tolerance.
        if (judged.basis == Basis::Reconciled)
            QVERIFY(std::abs(*after) <= input.toleranceCents);
        if (judged.basis == Basis::Differs)
            QCOMPARE(judged.misstatementCents, -*after);
    }
}

void checkProjection(const Result &result, const Input &input)
{
    const std::optional<Sample> &sample = input.sample;
    Reference reference;
    if (sample && sample->monetary && sample->intervalCents > 0)
        reference = monetaryReference(result, *sample);
    else if (sample && sample->simpleRandom)
        reference = randomReference(result, *sample);
    QCOMPARE(result.projectedOverCents.has_value(), reference.over.has_value());
    QCOMPARE(result.upperLimitCents.has_value(), reference.upperLimit.has_value());
    if (reference.over) {
        QCOMPARE_NEAR(*result.projectedOverCents, *reference.over);
        QCOMPARE_NEAR(*result.projectedUnderCents, *reference.under);
        double shares = 0;
        for (const Judged &judged : result.judged)
            shares += judged.projectedCents;
        QCOMPARE_NEAR(shares, *reference.over - *reference.under);
    }
    if (reference.upperLimit)
        QCOMPARE_NEAR(*result.upperLimitCents, *reference.upperLimit);
    const double total = (result.upperLimitCents      ? *result.upperLimitCents
                          : result.projectedOverCents ? *result.projectedOverCents
                                                      : double(result.sampledFoundCents)) +
                         double(result.knownCents);
    const bool exceeds =
        sample && sample->tolerableCents && total > double(*sample->tolerableCents);
    QCOMPARE(result.exceedsTolerable, exceeds);
}

void checkStatement(const Result &result)
{
    int outstanding = 0;
    for (const Judged &judged : result.judged)
        outstanding += judged.basis == Basis::Unconfirmed && judged.item.sent;
    QVERIFY2(result.statement.contains(
                 outstanding == 0 ? QStringLiteral("没有未确认的询证函")
                                  : QStringLiteral("尚有 %1 封询证函未确认").arg(outstanding)),
             qPrintable(result.statement));
    QVERIFY2(result.statement.contains(result.exceedsTolerable ? QStringLiteral("超过可容忍错报")
                                                               : QStringLiteral("错报")),
             qPrintable(result.statement));
    if (result.exceedsTolerable)
        QVERIFY(!result.statement.contains(QStringLiteral("未超过")));
}

// --- A ledger file: letters 1–4 sent (a second request for 2, letter 5 sent and voided)
// and a monetary-unit selection of seven rows, one extension among its rounds.

struct LedgerCase
{
    QString path;
    qint64 frameCents = 0;
    int points = 0;
};

LedgerCase writeLedger(const QString &path, bool allAgree, std::optional<qint64> tolerableCents)
{
    LedgerCase made{path};
    auto ledger = LedgerStore::create(path, QStringLiteral("结论测试"));
    QList<SentPage> pages;
    for (int n = 1; n <= 5; ++n)
        pages.append(sentPage(n, char('0' + n)));
    SentPage second = sentPage(2, 'a');
    second.identity.number = QStringLiteral("HZ2026-0002-2");
    second.follows = ledgerLetter(2).number;
    ledger->recordRun(ledgerRun(), pages);
    ledger->recordRun(ledgerRun(), {second});
    ledger->voidLetter(ledgerLetter(5).number, QStringLiteral("地址有误"));
    if (allAgree) {
        for (int n = 1; n <= 4; ++n)
            ledger->setValues(ledgerLetter(n).number,
                              {{LetterField::Result, QStringLiteral("相符")}});
    } else {
        ledger->setValues(ledgerLetter(1).number,
                          {{LetterField::ReplyAmount, QStringLiteral("1000.00")},
                           {LetterField::Result, QStringLiteral("相符")}});
        ledger->setValues(second.identity.number,
                          {{LetterField::ReplyAmount, QStringLiteral("1500.00")},
                           {LetterField::Result, QStringLiteral("不符")}});
        ledger->setValues(ledgerLetter(3).number, {{LetterField::Result, QStringLiteral("退函")}});
    }

    QList<PopulationRow> rows;
    LedgerSelection selection;
    for (int n = 1; n <= 7; ++n) {
        const LetterIdentity letter = ledgerLetter(n, rowCents(n));
        rows.append({letter.customer, QStringLiteral("2026-12-31"),
                     QString::number(rowCents(n) / 100), letter.number, rowCents(n)});
        selection.totalCents += rowCents(n);
        if (n > 1)
            made.frameCents += rowCents(n);
    }
    selection.rowCount = int(rows.size());
    selection.method = SelectionPlan::methodName(SamplingMethod::MonetarySystematic);
    selection.seed = QStringLiteral("20261231");
    SelectionPlan plan;
    plan.keyThresholdCents = rowCents(1);
    plan.size = 4;
    plan.confidence = 90;
    plan.tolerableCents = tolerableCents;
    plan.seed = selection.seed;
    SamplingOutcome outcome;
    outcome.points = 4;
    outcome.sampledCents = made.frameCents;
    outcome.sampledRows = 6;
    outcome.intervalCents = double(made.frameCents) / 4;
    SelectionRound first;
    first.parameters = SelectionParameters::ofSelection(plan, outcome);
    selection.rounds = {first};
    // Rows by position: 0 key, 1 and 2 drawn, 4 by hand (its letter voided), 6 drawn and
    // never sent; then 5 drawn by the extension.
    selection.picks = {{0, PickReason::Key, -1, 0},
                       {1, PickReason::Sampled, 10, 0},
                       {2, PickReason::Sampled, 20, 0},
                       {4, PickReason::Manual, -1, 0},
                       {6, PickReason::Sampled, 30, 0}};
    const qint64 id = ledger->recordSelection(selection, [&rows](int i) { return rows[i]; });
    SelectionRound more;
    more.round = 1;
    outcome.points = 2;
    more.parameters = SelectionParameters::ofExtension(2, {}, outcome);
    ledger->extendSelection(id, more, {{5, PickReason::Sampled, 40, 1}});
    made.points = 6;
    return made;
}

QStringList outputLabels(const QString &out)
{
    QStringList labels;
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        labels.append(line.section(QLatin1Char('\t'), 0, 0));
    return labels;
}

QString outputValue(const QString &out, const QString &label)
{
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (line.section(QLatin1Char('\t'), 0, 0) == label)
            return line.section(QLatin1Char('\t'), 1);
    return QString();
}

using Found = QList<QPair<qint64, qint64>>; // (book, audited) in yuan

} // namespace

class TestEvaluation : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;

    QString newPath() { return m_dir.filePath(QStringLiteral("e%1.rvledger").arg(++m_files)); }

private slots:
    void tableFactorsAreThePublishedOnes_data()
    {
        QTest::addColumn<int>("confidence");
        QTest::addColumn<int>("errors");
        for (int confidence : {90, 95, 99})
            for (int errors = 0; errors <= 10; ++errors)
                QTest::addRow("%d%% %d", confidence, errors) << confidence << errors;
    }
    void tableFactorsAreThePublishedOnes()
    {
        QFETCH(int, confidence);
        QFETCH(int, errors);
        QCOMPARE(tableFactor(confidence, errors), kPublished.value(confidence)[errors]);
    }

    // Each confirmation by the first basis that holds; a book amount of 1,000.00 and a
    // tolerance of 5.00.
    void judgingOrder_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QVariant>("reply");
        QTest::addColumn<QList<qint64>>("items");
        QTest::addColumn<QVariant>("covered");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<int>("basis");
        QTest::addColumn<qint64>("confirmed");
        QTest::addColumn<qint64>("misstatement");
        QTest::addColumn<QVariant>("after");
        const QString agreed = QStringLiteral("相符");
        const QVariant none;
        const QList<qint64> noItems;
        auto cents = [](qint64 value) { return QVariant(value); };
        QTest::newRow("相符 without an amount") << agreed << none << noItems << none << true
                                                << int(Basis::Reply) << 100000LL << 0LL << none;
        QTest::newRow("amount equals book") << QString() << cents(100000) << noItems << none << true
                                            << int(Basis::Reply) << 100000LL << 0LL << cents(0);
        QTest::newRow("相符 before a procedure")
            << agreed << cents(90000) << noItems << cents(100000) << true << int(Basis::Reply)
            << 100000LL << 0LL << cents(-10000);
        QTest::newRow("procedure before a difference")
            << QString() << cents(90000) << noItems << cents(60000) << true
            << int(Basis::Alternative) << 60000LL << 40000LL << cents(-10000);
        QTest::newRow("procedure covering all")
            << QString() << none << noItems << cents(100000) << true << int(Basis::Alternative)
            << 100000LL << 0LL << none;
        QTest::newRow("procedure beyond the book")
            << QString() << none << noItems << cents(150000) << true << int(Basis::Alternative)
            << 100000LL << 0LL << none;
        QTest::newRow("items explain all")
            << QStringLiteral("不符") << cents(90000) << QList<qint64>{-4000, -6000} << none << true
            << int(Basis::Reconciled) << 100000LL << 0LL << cents(0);
        QTest::newRow("at the tolerance")
            << QString() << cents(99500) << noItems << none << true << int(Basis::Reconciled)
            << 100000LL << 0LL << cents(-500);
        QTest::newRow("a cent beyond it") << QString() << cents(99499) << noItems << none << true
                                          << int(Basis::Differs) << 0LL << 501LL << cents(-501);
        QTest::newRow("residue after items")
            << QString() << cents(80000) << QList<qint64>{-15000} << none << true
            << int(Basis::Differs) << 0LL << 5000LL << cents(-5000);
        QTest::newRow("reply above the books")
            << QString() << cents(120000) << noItems << none << true << int(Basis::Differs) << 0LL
            << -20000LL << cents(20000);
        QTest::newRow("退函") << QStringLiteral("退函") << none << noItems << none << true
                              << int(Basis::Unconfirmed) << 0LL << 100000LL << none;
        QTest::newRow("items but no reply")
            << QString() << none << QList<qint64>{5000} << none << true << int(Basis::Unconfirmed)
            << 0LL << 100000LL << none;
        QTest::newRow("picked, never sent") << QString() << none << noItems << none << false
                                            << int(Basis::Unconfirmed) << 0LL << 100000LL << none;
    }
    void judgingOrder()
    {
        QFETCH(QString, result);
        QFETCH(QVariant, reply);
        QFETCH(QList<qint64>, items);
        QFETCH(QVariant, covered);
        QFETCH(bool, sent);
        QFETCH(int, basis);
        QFETCH(qint64, confirmed);
        QFETCH(qint64, misstatement);
        QFETCH(QVariant, after);
        Item item;
        item.number = QStringLiteral("HZ1");
        item.bookCents = 100000;
        item.result = result;
        item.sent = sent;
        item.reason = PickReason::Key;
        if (reply.isValid())
            item.replyCents = reply.toLongLong();
        for (qint64 cents : items)
            item.items.append(reconciling(cents));
        if (covered.isValid()) {
            item.alternative = AlternativeProcedure();
            item.alternative->coveredCents = covered.toLongLong();
        }
        Input input;
        input.items = {item};
        input.toleranceCents = 500;
        const Result evaluated = evaluate(input);
        const Judged &judged = evaluated.judged.constFirst();
        QCOMPARE(basisName(judged.basis), basisName(Basis(basis)));
        QCOMPARE(judged.confirmedCents, confirmed);
        QCOMPARE(judged.misstatementCents, misstatement);
        QCOMPARE(judged.differenceAfterCents.has_value(), after.isValid());
        if (after.isValid())
            QCOMPARE(*judged.differenceAfterCents, after.toLongLong());
        QCOMPARE(evaluated.knownCents, misstatement);
        // The amount covered under 替代程序确认, the rest under 未确认, the item counted once.
        QCOMPARE(evaluated.alternative.cents + evaluated.unconfirmed.cents + evaluated.reply.cents +
                     evaluated.reconciled.cents + evaluated.differs.cents,
                 100000LL);
        if (Basis(basis) == Basis::Alternative) {
            QCOMPARE(evaluated.alternative.cents, confirmed);
            QCOMPARE(evaluated.unconfirmed.count, 0);
        }
        QCOMPARE(evaluated.sent.count, sent ? 1 : 0);
    }

    // Hundreds of random inputs: the tallies tie, the coverage stays within the population,
    // and the projection and the upper limit are what the guides' own layout gives.
    void randomInputsHoldTogether()
    {
        QRandomGenerator random(20261210);
        int projected = 0, limited = 0;
        for (int round = 0; round < 600; ++round) {
            const Generated made = randomInput(random);
            const Result result = evaluate(made.input);
            checkTallies(result, made);
            checkItems(result, made.input);
            checkProjection(result, made.input);
            checkStatement(result);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("at input %1").arg(round)));
            projected += result.projectedOverCents.has_value();
            limited += result.upperLimitCents.has_value() && !result.allowances.isEmpty();
        }
        // The inputs reach the parts that matter, not only the empty cases.
        QVERIFY(projected > 200);
        QVERIFY(limited > 50);
    }

    // Worked examples of monetary-unit sampling, checked by hand before use:
    // (1) Whittington & Pany, Principles of Auditing, problem 9A-14 (as posted at
    //     https://www.solutioninn.com/study-help/questions/9a14-edwards-has-decided-to-use-monetary-unit-sampling-mus-10540828):
    //     400→320 taints 20 %, 500→0 taints 100 %, 6,000→2,500 is above the interval and
    //     counts 3,500 whole: projected 1,000 + 5,000 + 3,500 = 9,500; allowances
    //     0.75 × 100 % × 5,000 + 0.55 × 20 % × 5,000 = 4,300; limit 15,000 + 9,500 + 4,300.
    // (2) Messier, Glover & Prawitt, Auditing & Assurance Services, "Upper Limit on
    //     Misstatements Calculation: Monetary Unit Sampling" (Jordan Thomas; posted at
    //     https://justaaa.com/accounting/331542-upper-limit-on-misstatements-calculation-monetary,
    //     whose posted answer sums the differences; the book's method is this one):
    //     15,000→12,500 counts 2,500 whole; 10,000→4,000 taints 60 %, 3,000→2,000 taints
    //     33.3 %: projected 2,500 + 7,380 + 4,100 = 13,980; allowances 5,535 and 2,255.
    void workedExamples_data()
    {
        QTest::addColumn<Found>("found");
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<qint64>("tolerable");
        QTest::addColumn<qint64>("projected");
        QTest::addColumn<qint64>("basicPrecision");
        QTest::addColumn<QList<qint64>>("allowances");
        QTest::addColumn<qint64>("upperLimit");
        QTest::addColumn<bool>("exceeds");
        QTest::newRow("Whittington & Pany 9A-14")
            << Found{{400, 320}, {500, 0}, {6000, 2500}, {2000, 2000}} << 5000LL << 15000LL
            << 9500LL << 15000LL << QList<qint64>{3750, 550} << 28800LL << true;
        QTest::newRow("Messier et al., Jordan Thomas")
            << Found{{15000, 12500}, {10000, 4000}, {3000, 2000}} << 12300LL << 65000LL << 13980LL
            << 36900LL << QList<qint64>{5535, 2255} << 58670LL << false;
    }
    void workedExamples()
    {
        QFETCH(Found, found);
        QFETCH(qint64, interval);
        QFETCH(qint64, tolerable);
        QFETCH(qint64, projected);
        QFETCH(qint64, basicPrecision);
        QFETCH(QList<qint64>, allowances);
        QFETCH(qint64, upperLimit);
        QFETCH(bool, exceeds);
        Input input;
        for (const auto &[book, audited] : found)
            input.items.append(sampled(book * 100, audited * 100));
        input.sample = monetary(interval * 100.0, 95, tolerable * 100);
        const Result result = evaluate(input);
        QCOMPARE_NEAR(*result.projectedOverCents, projected * 100.0);
        QCOMPARE_NEAR(*result.projectedUnderCents, 0.0);
        QCOMPARE_NEAR(*result.basicPrecisionCents, basicPrecision * 100.0);
        QCOMPARE(result.allowances.size(), allowances.size());
        for (qsizetype i = 0; i < allowances.size(); ++i) {
            QCOMPARE(result.allowances[i].rank, int(i + 1));
            QCOMPARE_NEAR(result.allowances[i].cents, allowances[i] * 100.0);
        }
        QCOMPARE_NEAR(*result.upperLimitCents, upperLimit * 100.0);
        QCOMPARE(result.exceedsTolerable, exceeds);
        const QString limit = QStringLiteral("推断错报上限 %1 元（含已知错报 0.00 元）")
                                  .arg(Cents::text(upperLimit * 100));
        const QString against = (exceeds ? QStringLiteral("超过可容忍错报 %1 元：应扩大样本"
                                                          "或提请被审计单位调整")
                                         : QStringLiteral("未超过可容忍错报 %1 元：未发现重大"
                                                          "错报的证据"))
                                    .arg(Cents::text(tolerable * 100));
        QVERIFY2(result.statement.startsWith(limit + against), qPrintable(result.statement));
        // The lines show the working: the basic precision from its factor, and the limit.
        const auto shown = lines(result);
        const auto valueOf = [&shown](const QString &label) {
            for (const auto &[name, value] : shown)
                if (name == label)
                    return value;
            return QString();
        };
        QCOMPARE(valueOf(QStringLiteral("基本精确度")),
                 QStringLiteral("3.00 × %1 = %2 元")
                     .arg(Cents::text(interval * 100), Cents::text(basicPrecision * 100)));
        QCOMPARE(valueOf(QStringLiteral("错报上限（高估）")),
                 Cents::text(upperLimit * 100) + QStringLiteral(" 元"));
        QCOMPARE(valueOf(QStringLiteral("结论")), result.statement);
    }

    // Understatements are projected apart and leave the limit of overstatement alone;
    // items outside the sample count whole beside it.
    void understatementsAndKnownItems()
    {
        Input input;
        input.items = {sampled(40000, 60000), sampled(100000, 50000)};
        Item key;
        key.number = QStringLiteral("K1");
        key.bookCents = 9000000;
        key.reason = PickReason::Key;
        key.replyCents = 8900000;
        input.items.append(key);
        input.sample = monetary(500000, 95, 2000000);
        const Result result = evaluate(input);
        QCOMPARE_NEAR(*result.projectedUnderCents, 0.5 * 500000);
        QCOMPARE_NEAR(*result.projectedOverCents, 0.5 * 500000);
        QCOMPARE(result.allowances.size(), 1);
        QCOMPARE(result.knownCents, 100000LL);
        QCOMPARE(result.sampledFoundCents, 30000LL);
        QCOMPARE_NEAR(*result.upperLimitCents, 3.00 * 500000 + 0.5 * 500000 + 0.75 * 0.5 * 500000);
        QVERIFY2(result.statement.contains(QStringLiteral("（含已知错报 1,000.00 元）")),
                 qPrintable(result.statement));
    }

    // What the statement says where there is no upper limit to give.
    void statementsWithoutLimit_data()
    {
        QTest::addColumn<int>("method"); // 0 none, 2 random, 3 manual
        QTest::addColumn<QVariant>("tolerable");
        QTest::addColumn<QString>("says");
        QTest::addColumn<bool>("exceeds");
        QTest::newRow("no selection") << 0 << QVariant()
                                      << QStringLiteral("台账中没有选样记录，不推断总体错报；已发现"
                                                        "错报 1,200.00 元；未记录可容忍错报，无法与"
                                                        "之比较。尚有 1 封询证函未确认")
                                      << false;
        QTest::newRow("random, within")
            << 2 << QVariant(qint64(1500000))
            << QStringLiteral("推断错报 12,000.00 元（含已知错报 0.00 元；简单随机抽样不计算错报"
                              "上限，未考虑抽样风险）未超过可容忍错报 15,000.00 元")
            << false;
        QTest::newRow("random, beyond")
            << 2 << QVariant(qint64(1000000))
            << QStringLiteral("超过可容忍错报 10,000.00 元：应扩大样本") << true;
        QTest::newRow("manual") << 3 << QVariant(qint64(100000))
                                << QStringLiteral(
                                       "手工选样不是统计抽样，不推断总体错报；已发现错报 "
                                       "1,200.00 元超过可容忍错报 1,000.00 元")
                                << true;
    }
    void statementsWithoutLimit()
    {
        QFETCH(int, method);
        QFETCH(QVariant, tolerable);
        QFETCH(QString, says);
        QFETCH(bool, exceeds);
        Input input;
        // Two drawn rows of 1,000.00: one 200.00 short, one never answered.
        input.items = {sampled(100000, 80000), sampled(100000, 0)};
        input.items[1].replyCents.reset();
        if (method == 0)
            for (Item &item : input.items)
                item.reason.clear();
        if (method > 0) {
            Sample sample;
            sample.method =
                method == 2 ? QStringLiteral("简单随机抽样") : QStringLiteral("手工选样");
            sample.simpleRandom = method == 2;
            sample.frameCents = 2000000;
            if (tolerable.isValid())
                sample.tolerableCents = tolerable.toLongLong();
            input.sample = sample;
        }
        const Result result = evaluate(input);
        QVERIFY2(result.statement.contains(says), qPrintable(result.statement));
        QCOMPARE(result.exceedsTolerable, exceeds);
        QVERIFY(!result.upperLimitCents);
    }

    // The ledger's live first letters, a second request's reply for its first letter, the
    // latest selection's picks joined by number (picks without a live letter as unsent),
    // and the interval narrowed by the extension's points.
    void inputOfReadsTheLedger()
    {
        const LedgerCase made = writeLedger(newPath(), false, 500000);
        const auto ledger = LedgerStore::open(made.path);
        const Input input = inputOf(*ledger);
        QStringList shown;
        for (const Item &item : input.items)
            shown.append(
                QStringLiteral("%1 %2 %3 %4 %5 %6")
                    .arg(item.number.right(4), item.reason,
                         item.sent ? QStringLiteral("sent") : QStringLiteral("unsent"))
                    .arg(item.bookCents)
                    .arg(item.replyCents ? QString::number(*item.replyCents) : QStringLiteral("-"),
                         item.result));
        QCOMPARE(shown, QStringList({QStringLiteral("0001 重要项目 sent 100000 100000 相符"),
                                     QStringLiteral("0002 抽样 sent 200000 150000 不符"),
                                     QStringLiteral("0003 抽样 sent 300000 - 退函"),
                                     QStringLiteral("0004  sent 400000 - "),
                                     QStringLiteral("0005 手工 unsent 500000 - "),
                                     QStringLiteral("0007 抽样 unsent 700000 - "),
                                     QStringLiteral("0006 抽样 unsent 600000 - ")}));
        QCOMPARE(input.populationRows, 7);
        QCOMPARE(input.populationCents, 2800000LL);
        QVERIFY(input.sample);
        QVERIFY(input.sample->monetary);
        QCOMPARE(input.sample->confidence, 90);
        QCOMPARE(input.sample->tolerableCents.value_or(-1), 500000LL);
        QCOMPARE(input.sample->frameCents, made.frameCents);
        QCOMPARE_NEAR(input.sample->intervalCents, double(made.frameCents) / made.points);
    }

    void inputOfCarriesReconciliations()
    {
        const LedgerCase made = writeLedger(newPath(), false, 500000);
        const auto ledger = LedgerStore::open(made.path);
        ledger->setToleranceCents(100);
        ledger->setValues(ledgerLetter(4).number,
                          {{LetterField::ReplyAmount, QStringLiteral("3900.00")}});
        ledger->setReconcilingItems(ledgerLetter(4).number,
                                    {{QStringLiteral("在途款项"), -9950, QDate(2027, 1, 5),
                                      QStringLiteral("银行回单 17"), QString()}});
        AlternativeProcedure procedure;
        procedure.evidence = {
            {QStringLiteral("期后收款"), 300000, QDate(2027, 1, 20), QStringLiteral("收款凭证 8")}};
        procedure.coveredCents = 300000;
        procedure.conclusion = QStringLiteral("替代程序确认");
        ledger->setAlternativeProcedure(ledgerLetter(3).number, procedure);
        const Input input = inputOf(*ledger);
        QCOMPARE(input.toleranceCents, 100LL);
        QCOMPARE(input.items[3].items.size(), 1);
        QVERIFY(input.items[2].alternative);
        const Result result = evaluate(input);
        QCOMPARE(basisName(result.judged[2].basis), basisName(Basis::Alternative));
        QCOMPARE(basisName(result.judged[3].basis), basisName(Basis::Reconciled));
        QCOMPARE(*result.judged[3].differenceAfterCents, -50LL);
    }

    // The batch tool over a real ledger: the lines, the judgement of each confirmation as
    // CSV, and the exit status by the tolerable misstatement.
    void batchEvaluates_data()
    {
        QTest::addColumn<bool>("allAgree");
        QTest::addColumn<qint64>("tolerable");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("unconfirmed");
        // The interval is 27,000.00 / 6 = 4,500.00, the basic precision 2.31 × 4,500.00 at
        // 90 %; rows 6 and 7 (6,000.00 and 7,000.00, above the interval, never sent) count
        // whole, row 5 (picked by hand, its letter voided) is a known misstatement.
        QTest::newRow("letters agree")
            << true << 10000000LL << 0
            << QStringLiteral("推断错报上限 28,395.00 元（含已知错报 5,000.00 元）未超过可容忍错报 "
                              "100,000.00 元：未发现重大错报的证据。没有未确认的询证函，另有 3 "
                              "个选中项目未发函（账面金额 18,000.00 元）。")
            << QStringLiteral("3 项，金额 18,000.00 元（占总体金额 64.29%，占发函金额 0.00%），"
                              "其中选中未发函 3 项，金额 18,000.00 元");
        // Letter 2 replied 1,500.00 (taints 25 %), letter 3 came back (taints 100 %), letter
        // 4 (outside the selection) has no reply: 10,395 + 18,625 + 2,610 + 495 + 9,000.
        QTest::newRow("letters unanswered")
            << false << 3000000LL << 3
            << QStringLiteral(
                   "推断错报上限 41,125.00 元（含已知错报 9,000.00 元）超过可容忍错报 "
                   "30,000.00 元：应扩大样本或提请被审计单位调整。尚有 2 封询证函未确认"
                   "（账面金额 7,000.00 元，已按全额计入错报），另有 3 个选中项目未发函（账面金额 "
                   "18,000.00 元）。")
            << QStringLiteral("5 项，金额 25,000.00 元（占总体金额 89.29%，占发函金额 70.00%），"
                              "其中选中未发函 3 项，金额 18,000.00 元");
    }
    void batchEvaluates()
    {
        QFETCH(bool, allAgree);
        QFETCH(qint64, tolerable);
        QFETCH(int, status);
        QFETCH(QString, statement);
        QFETCH(QString, unconfirmed);
        const LedgerCase made = writeLedger(newPath(), allAgree, tolerable);
        const QString csv = m_dir.filePath(QStringLiteral("judged%1.csv").arg(m_files));
        const BatchProcessRun run = batch({QStringLiteral("evaluate"), QStringLiteral("--ledger"),
                                           made.path, QStringLiteral("--csv"), csv});
        QCOMPARE(run.status, status);
        QCOMPARE(run.err, QString());
        QCOMPARE(outputLabels(run.out).constFirst(), QStringLiteral("总体"));
        QCOMPARE(outputValue(run.out, QStringLiteral("抽样区间")), QStringLiteral("4,500.00 元"));
        QCOMPARE(outputValue(run.out, QStringLiteral("基本精确度")),
                 QStringLiteral("2.31 × 4,500.00 = 10,395.00 元"));
        QCOMPARE(outputValue(run.out, QStringLiteral("结论")), statement);
        // The share of the letters sent leaves the picks never sent out.
        QCOMPARE(outputValue(run.out, QStringLiteral("未确认")), unconfirmed);
        const QList<QStringList> rows = CsvTable::read(csv);
        QCOMPARE(rows.size(), 8); // titles and seven confirmations
        QCOMPARE(rows[0].value(0), QStringLiteral("函证编号"));
        QCOMPARE(rows[1].value(0), ledgerLetter(1).number);
        QCOMPARE(rows[1].value(10), QStringLiteral("回函确认"));
        QCOMPARE(rows[7].value(3), QStringLiteral("否"));
    }

    void batchRefuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("no ledger") << QStringList{QStringLiteral("evaluate")} << 2
                                   << QStringLiteral("evaluate 须用 --ledger 给出函证台账");
        QTest::newRow("stray argument")
            << QStringList{QStringLiteral("evaluate"), QStringLiteral("--ledger"),
                           QStringLiteral("x"), QStringLiteral("y")}
            << 2 << QString();
        QTest::newRow("tolerance not a number")
            << QStringList{QStringLiteral("ledger"), QStringLiteral("tolerance"), QString(),
                           QStringLiteral("abc")}
            << 1 << QStringLiteral("调节容差“abc”不是金额");
        QTest::newRow("tolerance below zero")
            << QStringList{QStringLiteral("ledger"), QStringLiteral("tolerance"), QString(),
                           QStringLiteral("-1")}
            << 1 << QStringLiteral("调节容差“-1”不是金额");
        QTest::newRow("tolerance empty")
            << QStringList{QStringLiteral("ledger"), QStringLiteral("tolerance"), QString(),
                           QStringLiteral(" ")}
            << 1 << QStringLiteral("调节容差不能为空");
        QTest::newRow("tolerance twice")
            << QStringList{QStringLiteral("ledger"), QStringLiteral("tolerance"), QString(),
                           QStringLiteral("1"), QStringLiteral("2")}
            << 2 << QString();
    }
    // Bad arguments say what is wrong and leave the ledger as it was.
    void batchRefuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, says);
        const QString path = newPath();
        LedgerStore::create(path, QStringLiteral("拒绝测试"));
        const qint64 logged = LedgerStore::open(path)->logSize();
        std::replace(arguments.begin(), arguments.end(), QString(), path);
        const BatchProcessRun run = batch(arguments);
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QCOMPARE(LedgerStore::open(path)->logSize(), logged);
        QCOMPARE(LedgerStore::open(path)->toleranceCents(), 0LL);
    }

    void batchSetsTolerance()
    {
        const QString path = newPath();
        LedgerStore::create(path, QStringLiteral("容差测试"));
        BatchProcessRun run = batch({QStringLiteral("ledger"), QStringLiteral("tolerance"), path});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("调节容差\t0.00\n"));
        run = batch({QStringLiteral("ledger"), QStringLiteral("tolerance"), path,
                     QStringLiteral("1,234.5")});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("调节容差\t1234.50\n"));
        QCOMPARE(LedgerStore::open(path)->toleranceCents(), 123450LL);
    }

    // Both commands are named where a user looks for them.
    void helpAndManualNameTheCommands()
    {
        const BatchProcessRun run = batch({QStringLiteral("--help")});
        QCOMPARE(run.status, 0);
        QFile manual(qEnvironmentVariable("TESTS_DATA_DIR") +
                     QStringLiteral("/../../resources/desktop/roviradavev-batch.1"));
        QVERIFY(manual.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(manual.readAll());
        for (const QString &usage :
             {QStringLiteral("roviradavev-batch evaluate --ledger FILE.rvledger "
                             "[--csv FILE.csv]"),
              QStringLiteral("roviradavev-batch ledger tolerance FILE.rvledger "
                             "[AMOUNT]"),
              QStringLiteral("  evaluate  "), QStringLiteral("  ledger tolerance  ")})
            QVERIFY2(run.out.contains(usage), qPrintable(usage));
        for (const QString &entry :
             {QStringLiteral(".B roviradavev\\-batch evaluate \\-\\-ledger"),
              QStringLiteral(".B roviradavev\\-batch ledger tolerance"),
              QStringLiteral(".B evaluate\n"), QStringLiteral(".B ledger tolerance\n")})
            QVERIFY2(page.contains(entry), qPrintable(entry));
    }
};

QTEST_GUILESS_MAIN(TestEvaluation)
#include "test_evaluation.moc"
