// The ledger's register with reconciliations, alternative procedures and the evaluation:
// each confirmation's row read back by openpyxl, and 汇总's formulas computed again by
// LibreOffice, which must come to the figures the register cached for readers that compute
// nothing.

#include "control/Evaluation.h"
#include "control/Population.h"
#include "control/RegisterWriter.h"
#include "control/Sampler.h"
#include "control/SelectionRecording.h"
#include "platform/ColumnLetters.h"
#include "support/LedgerFixtures.h"
#include "support/Python.h"
#include "support/Recalculated.h"
#include "support/ScanMaker.h"
#include "support/WorkbookTools.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// The confirmations of the ledger by what was done with them.
struct Roles
{
    QString agreed, reconciled, manual, top, partial, understated, unanswered, followUp, unsent;
};

// A row of a sheet as openpyxl read it.
QJsonArray rowOf(const QJsonArray &rows, int r)
{
    return rows.at(r).toArray();
}

// The sheet's row whose column 'column' holds 'text'; -1 when none.
int rowWith(const QJsonArray &rows, int column, const QString &text)
{
    for (int r = 0; r < rows.size(); ++r)
        if (rowOf(rows, r).at(column).toString() == text)
            return r;
    return -1;
}

// A cell as text: numbers to the cent (ratios to six places), empty cells empty.
QString shown(const QJsonValue &cell)
{
    if (cell.isDouble()) {
        const double value = cell.toDouble();
        return QString::number(value, 'f', std::abs(value) < 2 && value != 0 ? 6 : 2);
    }
    return cell.toString();
}

} // namespace

class TestRegisterEvaluation : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<LedgerStore> m_ledger;
    Roles m_roles;
    Evaluation::Result m_result;
    QString m_register;
    QJsonObject m_formulas, m_cached;
    QStringList m_titles;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    int column(const QString &title) const { return int(m_titles.indexOf(title)); }
    QJsonArray rows(const QJsonObject &sheets, const QString &sheet = QStringLiteral("函证控制表"))
    {
        return sheets.value(sheet).toArray();
    }
    int letterRow(const QString &number)
    {
        return rowWith(rows(m_formulas), column(QStringLiteral("函证编号")), number);
    }

    // Sixteen receivables: two key items, one at 6,000.00 above any interval a sample of nine
    // points from the rest can have, and row 1 picked by hand; a monetary sample of nine.
    void buildLedger()
    {
        StringGridModel table;
        fillReceivables(table, 16, QStringLiteral("WL"));
        table.setCells(2, 3, QStringLiteral("500000.00"));
        table.setCells(2, 9, QStringLiteral("250000.00"));
        table.setCells(2, 6, QStringLiteral("6000.00"));
        const Population population = Population::fromTable(table, scanSettings());
        SelectionPlan plan;
        plan.keyThresholdCents = 20000000;
        plan.method = SamplingMethod::MonetarySystematic;
        plan.size = 9;
        plan.seed = QStringLiteral("11");
        plan.tolerableCents = 300000;
        plan.confidence = 95;
        plan.manual = {0};
        const SamplingOutcome outcome = Sampler::select(population, plan);
        m_ledger = LedgerStore::create(path(QStringLiteral("评价.rvledger")), QStringLiteral("E"));
        const LedgerSelection selection =
            SelectionRecording::record(*m_ledger, population, plan, outcome);
        const QList<PopulationRow> rows = m_ledger->population(selection.id);

        // Each pick's letter; roles by what the draw gave.
        QList<SentPage> pages;
        QStringList sampled;
        for (const SelectionPick &pick : selection.picks) {
            const PopulationRow &row = rows[pick.position];
            if (pick.reason == PickReason::Key)
                (row.cents == 50000000 ? m_roles.agreed : m_roles.reconciled) = row.number;
            else if (pick.reason == PickReason::Manual)
                m_roles.manual = row.number;
            else if (row.cents == 600000)
                m_roles.top = row.number;
            else if (!sampled.contains(row.number))
                sampled.append(row.number);
        }
        QVERIFY2(sampled.size() >= 4 && !m_roles.top.isEmpty() && !m_roles.manual.isEmpty(),
                 "the draw gives too few rows for every role");
        m_roles.partial = sampled[0];
        m_roles.understated = sampled[1];
        m_roles.unanswered = sampled[2];
        m_roles.unsent = sampled[3];
        m_roles.followUp = m_roles.unanswered + QStringLiteral("-2");
        for (const SelectionPick &pick : selection.picks) {
            const PopulationRow &row = rows[pick.position];
            if (row.number == m_roles.unsent ||
                std::any_of(pages.begin(), pages.end(), [&](const SentPage &page) {
                    return page.identity.number == row.number;
                }))
                continue;
            SentPage page;
            page.identity.number = row.number;
            page.identity.customer = row.customer;
            page.identity.cutOff = QDate(2024, 12, 31);
            page.identity.cents = row.cents;
            page.identity.templateName = QStringLiteral("应收帐款确认函");
            page.pageSha256 =
                QCryptographicHash::hash(row.number.toUtf8(), QCryptographicHash::Sha256).toHex();
            pages.append(page);
        }
        m_ledger->recordRun(ledgerRun(), pages);
        SentPage followUp = pages.first();
        for (const SentPage &page : std::as_const(pages))
            if (page.identity.number == m_roles.unanswered)
                followUp = page;
        followUp.follows = followUp.identity.number;
        followUp.identity.number = m_roles.followUp;
        followUp.pageSha256 = QByteArray(64, 'f');
        m_ledger->recordRun(ledgerRun(), {followUp});

        auto book = [&](const QString &number) {
            return *m_ledger->letter(number)->identity.cents;
        };
        auto yuan = [](qint64 cents) { return QString::number(double(cents) / 100, 'f', 2); };
        auto reply = [&](const QString &number, qint64 cents, const QString &result) {
            m_ledger->setValues(
                number, {{LetterField::ReplyAmount, yuan(cents)}, {LetterField::Result, result}});
        };
        for (const QString &number : sampled.mid(4))
            reply(number, book(number), QStringLiteral("相符"));
        reply(m_roles.agreed, book(m_roles.agreed), QStringLiteral("相符"));
        reply(m_roles.reconciled, book(m_roles.reconciled) - 100000, QStringLiteral("不符"));
        m_ledger->setReconcilingItems(m_roles.reconciled,
                                      {{QStringLiteral("在途款项"), -100000, QDate(2026, 12, 1),
                                        QStringLiteral("BK-7"), QString()}});
        reply(m_roles.manual, book(m_roles.manual) - 10050, QStringLiteral("不符"));
        reply(m_roles.top, 580000, QStringLiteral("不符"));
        m_ledger->setReconcilingItems(m_roles.top,
                                      {{QStringLiteral("在途货物"), -15000, QDate(2026, 12, 20),
                                        QStringLiteral("FH-3"), QStringLiteral("运输中")}});
        reply(m_roles.understated, book(m_roles.understated) + 8000, QStringLiteral("不符"));
        AlternativeProcedure procedure;
        procedure.evidence = {{QStringLiteral("期后收款"), book(m_roles.partial) - 20000,
                               QDate(2025, 1, 15), QStringLiteral("YH-88")}};
        procedure.coveredCents = book(m_roles.partial) - 20000;
        procedure.conclusion = QStringLiteral("部分确认");
        m_ledger->setAlternativeProcedure(m_roles.partial, procedure);
        m_result = Evaluation::evaluate(Evaluation::inputOf(*m_ledger));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        buildLedger();
        if (QTest::currentTestFailed())
            return;
        m_register = path(QStringLiteral("函证控制表.xlsx"));
        RegisterWriter::write(*m_ledger, m_register);
        m_formulas = openpyxlSheets(m_register);
        m_cached = openpyxlSheets(m_register, true);
        for (const QJsonValue &title : rowOf(rows(m_formulas), 0))
            m_titles.append(title.toString());
    }

    // The columns of the ledger's register: the run's, the template's, the auditor's, then
    // the evaluation's, titled exactly.
    void theJudgedColumnsFollowTheAuditors()
    {
        QCOMPARE(RegisterWriter::judgedTitles(),
                 (QStringList{"调节项合计", "调节后差异", "调节项", "替代程序确认金额",
                              "替代程序结论", "选中原因", "确认方式", "错报金额", "错报比例"}));
        QCOMPARE(m_titles, RegisterWriter::fixedTitles() + RegisterWriter::auditorTitles() +
                               RegisterWriter::judgedTitles());
    }

    void eachConfirmationShowsHowItWasJudged_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("basis");
        QTest::addColumn<QString>("items");
        QTest::addColumn<QString>("itemsText");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("alternative");
        QTest::addColumn<QString>("misstatement");
        // Row values as text; the book amounts the draw picked are filled in by the test
        // ("book-200.00" is the letter's book amount less 200.00, a tainting "t200.00"
        // that misstatement over the book amount).
        QTest::newRow("key item agreed") << "agreed"
                                         << "重要项目"
                                         << "回函确认"
                                         << ""
                                         << ""
                                         << "0.00"
                                         << ""
                                         << "0.00";
        QTest::newRow("key item reconciled") << "reconciled"
                                             << "重要项目"
                                             << "调节后确认"
                                             << "-1000.00"
                                             << "在途款项 -1,000.00 2026-12-01 BK-7"
                                             << "0.00"
                                             << ""
                                             << "0.00";
        QTest::newRow("manual pick still differs") << "manual"
                                                   << "手工"
                                                   << "调节后仍不符"
                                                   << ""
                                                   << ""
                                                   << "-100.50"
                                                   << ""
                                                   << "100.50";
        QTest::newRow("sampled above the interval") << "top"
                                                    << "抽样"
                                                    << "调节后仍不符"
                                                    << "-150.00"
                                                    << "在途货物 -150.00 2026-12-20 FH-3 运输中"
                                                    << "-50.00"
                                                    << ""
                                                    << "50.00";
        QTest::newRow("sampled partly covered by an alternative procedure") << "partial"
                                                                            << "抽样"
                                                                            << "替代程序确认"
                                                                            << ""
                                                                            << ""
                                                                            << ""
                                                                            << "部分确认"
                                                                            << "t200.00";
        QTest::newRow("sampled understated") << "understated"
                                             << "抽样"
                                             << "调节后仍不符"
                                             << ""
                                             << ""
                                             << "80.00"
                                             << ""
                                             << "t-80.00";
        QTest::newRow("sampled unanswered") << "unanswered"
                                            << "抽样"
                                            << "未确认"
                                            << ""
                                            << ""
                                            << ""
                                            << ""
                                            << "t*";
        QTest::newRow("second request: its first letter's row stands for it") << "followUp"
                                                                              << ""
                                                                              << ""
                                                                              << ""
                                                                              << ""
                                                                              << ""
                                                                              << ""
                                                                              << "";
    }

    void eachConfirmationShowsHowItWasJudged()
    {
        QFETCH(QString, role);
        QFETCH(QString, reason);
        QFETCH(QString, basis);
        QFETCH(QString, items);
        QFETCH(QString, itemsText);
        QFETCH(QString, after);
        QFETCH(QString, alternative);
        QFETCH(QString, misstatement);
        const QHash<QString, QString> numbers{
            {"agreed", m_roles.agreed},         {"reconciled", m_roles.reconciled},
            {"manual", m_roles.manual},         {"top", m_roles.top},
            {"partial", m_roles.partial},       {"understated", m_roles.understated},
            {"unanswered", m_roles.unanswered}, {"followUp", m_roles.followUp}};
        const int r = letterRow(numbers.value(role));
        QVERIFY(r > 0);
        const QJsonArray cached = rowOf(rows(m_cached), r), formulas = rowOf(rows(m_formulas), r);
        auto cell = [&](const char *title) { return shown(cached.at(column(title))); };
        const double book = cached.at(column(QStringLiteral("账面金额"))).toDouble();
        QCOMPARE(cell("选中原因"), reason);
        QCOMPARE(cell("确认方式"), basis);
        QCOMPARE(cell("调节项合计"), items);
        QCOMPARE(cell("调节项"), itemsText);
        QCOMPARE(cell("调节后差异"), after);
        QCOMPARE(cell("替代程序结论"), alternative);
        if (!alternative.isEmpty())
            QCOMPARE(cell("替代程序确认金额"), QString::number(book - 200, 'f', 2));
        // The difference after the items is a formula over the row's own cells.
        const int n = r + 1;
        auto letter = [&](const char *title) { return columnLetters(column(title) + 1); };
        QCOMPARE(formulas.at(column(QStringLiteral("调节后差异"))).toString(),
                 QStringLiteral("=IF(%1%4=\"\",\"\",%1%4-%2%4-%3%4)")
                     .arg(letter("回函金额"), letter("账面金额"), letter("调节项合计"))
                     .arg(n));
        // Misstatement and, below the interval, its tainting.
        if (misstatement.startsWith(QLatin1Char('t'))) {
            const double wrong =
                misstatement == QLatin1String("t*") ? book : misstatement.mid(1).toDouble();
            QCOMPARE(cell("错报金额"), QString::number(wrong, 'f', 2));
            QCOMPARE(cell("错报比例"), QString::number(wrong / book, 'f', 6));
        } else {
            QCOMPARE(cell("错报金额"), misstatement);
            QCOMPARE(cell("错报比例"), QString());
        }
    }

    // 汇总 goes on below its lines with the evaluation's, each formula cached with the
    // evaluation's own figure; 已回函 counts 调节后相符.
    void theSummaryCachesTheEvaluation()
    {
        const QJsonArray formulas = rows(m_formulas, QStringLiteral("汇总")),
                         cached = rows(m_cached, QStringLiteral("汇总"));
        auto line = [&](const QString &label) { return rowWith(cached, 0, label); };
        auto value = [&](const QString &label, int c) {
            return rowOf(cached, line(label)).at(c).toDouble();
        };
        const QString basis = QStringLiteral("'函证控制表'!$%1$2:$%1$%2")
                                  .arg(columnLetters(column(QStringLiteral("确认方式")) + 1))
                                  .arg(rows(m_formulas).size());
        QVERIFY(rowOf(formulas, line(QStringLiteral("已回函")))
                    .at(1)
                    .toString()
                    .endsWith(QStringLiteral(",\"调节后相符\")")));
        QCOMPARE(rowOf(formulas, line(QStringLiteral("回函确认"))).at(1).toString(),
                 QStringLiteral("=COUNTIF(%1,\"回函确认\")").arg(basis));
        const struct
        {
            const char *label;
            Evaluation::Tally tally;
        } coverage[] = {{"总体", m_result.population},          {"发函项目", m_result.sent},
                        {"回函确认", m_result.reply},           {"调节后确认", m_result.reconciled},
                        {"替代程序确认", m_result.alternative}, {"调节后仍不符", m_result.differs},
                        {"未确认", m_result.unconfirmed}};
        Evaluation::Tally unsentPick;
        for (const Evaluation::Judged &judged : std::as_const(m_result.judged))
            if (!judged.item.sent)
                unsentPick = {unsentPick.count + 1, unsentPick.cents + judged.item.bookCents};
        QCOMPARE(unsentPick.count, 1);
        for (const auto &expected : coverage) {
            QCOMPARE(value(expected.label, 1), double(expected.tally.count));
            QCOMPARE(qRound64(value(expected.label, 2) * 100), expected.tally.cents);
            if (&expected - coverage < 2)
                continue; // the wholes the shares are taken of
            QCOMPARE(value(expected.label, 3),
                     double(expected.tally.count) / m_result.population.count);
            // Of the letters sent, the pick never sent is no part.
            const Evaluation::Tally unsent =
                QString::fromUtf8(expected.label) == QStringLiteral("未确认") ? unsentPick
                                                                              : Evaluation::Tally{};
            QCOMPARE(value(expected.label, 5),
                     double(expected.tally.count - unsent.count) / m_result.sent.count);
            QCOMPARE(value(expected.label, 6),
                     double(expected.tally.cents - unsent.cents) / m_result.sent.cents);
        }
        QCOMPARE(value(QStringLiteral("选中未发函"), 1), 1.0);
        QCOMPARE(qRound64(value(QStringLiteral("已知错报"), 2) * 100), m_result.knownCents);
        QCOMPARE(qRound64(value(QStringLiteral("样本错报"), 2) * 100), m_result.sampledFoundCents);
        QVERIFY(std::abs(value(QStringLiteral("推断错报"), 2) * 100 -
                         *m_result.projectedOverCents) < 1e-6);
        QVERIFY(std::abs(value(QStringLiteral("错报上限"), 2) * 100 - *m_result.upperLimitCents) <
                1e-6);
        QVERIFY(std::abs(value(QStringLiteral("错报上限（含已知错报）"), 2) * 100 -
                         *m_result.upperLimitCents - double(m_result.knownCents)) < 1e-6);
        QCOMPARE(value(QStringLiteral("基本精确度"), 3), 3.0);
        QVERIFY(!m_result.allowances.isEmpty());
        for (const Evaluation::Allowance &allowance : m_result.allowances) {
            const QString label = QStringLiteral("增量准备 %1").arg(allowance.rank);
            QCOMPARE(value(label, 3), Evaluation::tableFactor(95, allowance.rank));
            QCOMPARE(value(label, 5), allowance.tainting);
            QVERIFY(
                rowOf(formulas, line(label)).at(5).toString().contains(QStringLiteral("LARGE(")));
        }
        QCOMPARE(value(QStringLiteral("可容忍错报"), 2), 3000.0);
        QVERIFY(!m_result.statement.isEmpty());
        QCOMPARE(rowOf(cached, line(QStringLiteral("结论"))).at(1).toString(), m_result.statement);
    }

    // LibreOffice computes every formula again: each comes to what the register cached, so
    // a reader that computes nothing shows the same figures as one that does.
    void libreOfficeComesToTheCachedFigures()
    {
        QTemporaryDir out;
        const QString copy = recalculatedCopy(m_register, out.path());
        if (copy.isEmpty())
            QSKIP("LibreOffice is not installed (scripts/install-deps.sh installs it)");
        const QJsonObject computed = openpyxlSheets(copy, true);
        int compared = 0;
        for (const QString &sheet : {QStringLiteral("汇总"), QStringLiteral("函证控制表")}) {
            const QJsonArray formulas = rows(m_formulas, sheet), cached = rows(m_cached, sheet),
                             again = rows(computed, sheet);
            for (int r = 0; r < formulas.size(); ++r)
                for (int c = 0; c < rowOf(formulas, r).size(); ++c) {
                    if (!rowOf(formulas, r).at(c).toString().startsWith(QLatin1Char('=')))
                        continue;
                    const QJsonValue was = rowOf(cached, r).at(c), is = rowOf(again, r).at(c);
                    ++compared;
                    QVERIFY2(shown(was) == shown(is) ||
                                 (was.isDouble() && is.isDouble() &&
                                  std::abs(was.toDouble() - is.toDouble()) < 0.005),
                             qPrintable(QStringLiteral("%1 %2%3: cached %4, computed %5")
                                            .arg(sheet, columnLetters(c + 1))
                                            .arg(r + 1)
                                            .arg(shown(was), shown(is))));
                }
        }
        QVERIFY(compared > 40);
    }

    // The auditor settles an unconfirmed letter in the register after all: LibreOffice's
    // figures follow the row's new basis and misstatement.
    void theSummaryFollowsTheRegister()
    {
        const QString edited = path(QStringLiteral("改后.xlsx"));
        QFile::copy(m_register, edited);
        const int r = letterRow(m_roles.unanswered) + 1;
        auto address = [&](const char *title) {
            return columnLetters(column(title) + 1) + QString::number(r);
        };
        QVERIFY(runPython(QStringLiteral("import sys, openpyxl\n"
                                         "wb = openpyxl.load_workbook(sys.argv[1])\n"
                                         "ws = wb['函证控制表']\n"
                                         "ws[sys.argv[2]] = '回函确认'\n"
                                         "ws[sys.argv[3]] = 0\n"
                                         "ws[sys.argv[4]] = None\n"
                                         "wb.save(sys.argv[1])\n"),
                          {edited, address("确认方式"), address("错报金额"), address("错报比例")})
                    .ok);
        QTemporaryDir out;
        const QString copy = recalculatedCopy(edited, out.path());
        if (copy.isEmpty())
            QSKIP("LibreOffice is not installed (scripts/install-deps.sh installs it)");
        const QJsonArray before = rows(m_cached, QStringLiteral("汇总")),
                         after = rows(openpyxlSheets(copy, true), QStringLiteral("汇总"));
        auto change = [&](const char *label, int c) {
            const int line = rowWith(before, 0, QString::fromUtf8(label));
            return rowOf(after, line).at(c).toDouble() - rowOf(before, line).at(c).toDouble();
        };
        const double book = *m_ledger->letter(m_roles.unanswered)->identity.cents / 100.0;
        QCOMPARE(change("回函确认", 1), 1.0);
        QCOMPARE(change("未确认", 1), -1.0);
        QVERIFY(std::abs(change("回函确认", 2) - book) < 0.005);
        QVERIFY(std::abs(change("样本错报", 2) + book) < 0.005);
        QVERIFY(change("推断错报", 2) < -book);
        QVERIFY(change("错报上限", 2) < 0);
    }
};

QTEST_GUILESS_MAIN(TestRegisterEvaluation)
#include "test_register_evaluation.moc"
