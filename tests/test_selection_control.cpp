// Selections recorded in real ledger files and carried on: the table they apply to, the
// 选样说明 in the register read back by openpyxl, and the batch tool choosing, extending and
// printing the picked rows as a user runs it.

#include "control/Population.h"
#include "control/RegisterWriter.h"
#include "control/SelectionRecording.h"
#include "control/SelectionSummary.h"
#include "control/TableSelection.h"
#include "platform/Exception.h"
#include "support/LedgerFixtures.h"
#include "support/MessageOf.h"
#include "support/ScanMaker.h"
#include "support/WorkbookTools.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QString summaryValue(const QList<QPair<QString, QString>> &lines, const QString &label)
{
    for (const auto &[name, value] : lines)
        if (name == label)
            return value;
    return QStringLiteral("<no %1>").arg(label);
}

// Twenty receivables: two key items, a credit and a zero balance among them.
void fillPopulation(StringGridModel &table)
{
    fillReceivables(table, 20, QStringLiteral("WL"));
    table.setCells(2, 3, QStringLiteral("500000.00"));
    table.setCells(2, 9, QStringLiteral("250000.00"));
    table.setCells(2, 5, QStringLiteral("-300.00"));
    table.setCells(2, 12, QStringLiteral("0"));
}

// The same rows as a workbook the batch tool reads.
void writePopulation(const QString &path, const StringGridModel &table)
{
    QJsonArray rows;
    for (int row = 0; row < table.RowCount(); ++row) {
        QJsonArray cells;
        for (int column = 0; column < 4; ++column) {
            const QString text = table.Cells(column, row);
            bool number = false;
            const double value = text.toDouble(&number);
            if (row > 0 && column == 1)
                cells.append(QStringLiteral("date:") + text);
            else if (row > 0 && column == 2 && number)
                cells.append(value);
            else
                cells.append(text);
        }
        rows.append(cells);
    }
    writeWorkbook(path, QStringLiteral("应收"), rows);
}

// The picks section of the batch tool's output: from its title line to the end.
QString picksOf(const QString &out)
{
    return out.mid(out.indexOf(QStringLiteral("表格行\t")));
}

int pdfPages(const QString &path)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    info.waitForFinished();
    for (const QString &line : QString::fromUtf8(info.readAllStandardOutput()).split('\n'))
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

} // namespace

class TestSelectionControl : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    StringGridModel m_table;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    SelectionPlan plan(const QString &seed) const
    {
        SelectionPlan plan;
        plan.keyThresholdCents = 20000000; // 200,000.00
        plan.method = SamplingMethod::MonetarySystematic;
        plan.size = 5;
        plan.seed = seed;
        return plan;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        fillPopulation(m_table);
    }

    void aSelectionAppliesToItsOwnTableOnly()
    {
        auto ledger =
            LedgerStore::create(path(QStringLiteral("own.rvledger")), QStringLiteral("E"));
        const Population population = Population::fromTable(m_table, scanSettings());
        const SamplingOutcome outcome = Sampler::select(population, plan(QStringLiteral("42")));
        const LedgerSelection kept =
            SelectionRecording::record(*ledger, population, plan(QStringLiteral("42")), outcome);
        QCOMPARE(kept.picks, outcome.picks);
        QCOMPARE(SelectionRecording::planOf(kept).toJson(), plan(QStringLiteral("42")).toJson());
        QVERIFY(SelectionRecording::madeFrom(*ledger, Population::sha256Of(m_table)));
        QVERIFY(TableSelection::madeFrom(*ledger, m_table));

        // The key items' rows are marked whatever the draw; rows follow the table.
        const QHash<int, QString> marks = SelectionRecording::pickedRows(kept, m_table);
        QCOMPARE(marks.value(3), PickReason::Key);
        QCOMPARE(marks.value(9), PickReason::Key);
        QVERIFY(!marks.contains(5) && !marks.contains(12));
        QList<int> rows = TableSelection::selectedRows(*ledger, m_table, scanSettings());
        QCOMPARE(rows.size(), marks.size());
        QVERIFY(std::is_sorted(rows.begin(), rows.end()));

        // One amount changed, one row added: the picks no longer apply, and the user is told why.
        StringGridModel changed;
        fillPopulation(changed);
        changed.setCells(2, 7, QStringLiteral("1.00"));
        changed.setRowCount(22);
        changed.setCells(0, 21, QStringLiteral("新客户"));
        changed.setCells(1, 21, QStringLiteral("2024-12-31"));
        changed.setCells(2, 21, QStringLiteral("10.00"));
        changed.setCells(3, 21, QStringLiteral("WL-9999"));
        QVERIFY(!SelectionRecording::madeFrom(*ledger, Population::sha256Of(changed)));
        const QString why = TableSelection::notThePopulation(*ledger, changed, scanSettings());
        QVERIFY2(why.contains(QStringLiteral("此表格不是台账中任何一次选样的总体")),
                 qPrintable(why));
        QVERIFY2(why.contains(QStringLiteral("WL-9999")) && why.contains(QStringLiteral("WL-0007")),
                 qPrintable(why));
        const QString refused =
            messageOf([&] { TableSelection::selectedRows(*ledger, changed, scanSettings()); });
        QCOMPARE(refused, why);
    }

    void theSummaryStatesRulesSeedAndCoverage()
    {
        auto ledger =
            LedgerStore::create(path(QStringLiteral("summary.rvledger")), QStringLiteral("E"));
        const Population population = Population::fromTable(m_table, scanSettings());
        SelectionPlan computed = plan(QStringLiteral("7"));
        computed.tolerableCents = 500000;
        computed.expectedCents = 100000;
        computed.manual = {4}; // the credit balance, decided on by hand
        const LedgerSelection kept = SelectionRecording::record(
            *ledger, population, computed, Sampler::select(population, computed));
        const auto lines = SelectionSummary::lines(kept, ledger->population(kept.id));
        QCOMPARE(summaryValue(lines, QStringLiteral("总体")),
                 QStringLiteral("20 行，账面金额合计 %1")
                     .arg(QLocale(QLocale::English)
                              .toString(double(population.totalCents()) / 100, 'f', 2)));
        QCOMPARE(summaryValue(lines, QStringLiteral("其中贷方余额")),
                 QStringLiteral("1 行，金额 -300.00"));
        QCOMPARE(summaryValue(lines, QStringLiteral("其中零余额")), QStringLiteral("1 行"));
        QCOMPARE(summaryValue(lines, QStringLiteral("随机种子")), QStringLiteral("7"));
        QCOMPARE(summaryValue(lines, QStringLiteral("置信水平")), QStringLiteral("95%"));
        QCOMPARE(summaryValue(lines, QStringLiteral("重要项目界限")),
                 QStringLiteral("200,000.00 及以上"));
        QCOMPARE(summaryValue(lines, PickReason::Key), QStringLiteral("2 行，金额 750,000.00"));
        QCOMPARE(summaryValue(lines, PickReason::Manual), QStringLiteral("1 行，金额 -300.00"));
        // Key-item coverage: 2 of 20 rows, 750,000 of the total.
        const double amountShare = 100.0 * 75000000 / double(population.totalCents());
        QCOMPARE(summaryValue(lines, QStringLiteral("重要项目覆盖")),
                 QStringLiteral("占总体行数 10.00%，占总体金额 %1%")
                     .arg(QLocale(QLocale::English).toString(amountShare, 'f', 2)));
        QCOMPARE(summaryValue(lines, QStringLiteral("总体指纹（SHA-256）")),
                 QString::fromLatin1(population.sha256()));
    }

    void theRegisterDocumentsTheSelection()
    {
        const QString file = path(QStringLiteral("register.rvledger"));
        auto ledger = LedgerStore::create(file, QStringLiteral("E"));
        ledger->recordRun(ledgerRun(), ledgerPages(1, 2));
        const Population population = Population::fromTable(m_table, scanSettings());
        const LedgerSelection kept =
            SelectionRecording::record(*ledger, population, plan(QStringLiteral("99")),
                                       Sampler::select(population, plan(QStringLiteral("99"))));
        const QString out = path(QStringLiteral("register.xlsx"));
        RegisterWriter::write(*ledger, out);
        const QJsonArray sheet = openpyxlSheets(out).value(QStringLiteral("选样说明")).toArray();
        QVERIFY(!sheet.isEmpty());
        QStringList labels;
        int titleRow = -1;
        for (int r = 0; r < sheet.size(); ++r) {
            const QJsonArray row = sheet[r].toArray();
            labels.append(row[0].toString());
            if (row[0].toString() == QStringLiteral("序号"))
                titleRow = r;
        }
        for (const char *label : {"总体", "选样方法", "随机种子", "抽样区间", "重要项目覆盖"})
            QVERIFY2(labels.contains(QString::fromUtf8(label)), label);
        QVERIFY(titleRow > 0);
        // Every pick listed after the titles, with its row, number and reason.
        int listed = 0;
        for (int r = titleRow + 1; r < sheet.size(); ++r) {
            const QJsonArray row = sheet[r].toArray();
            if (row[0].isNull())
                break;
            const SelectionPick &pick = kept.picks[listed++];
            QCOMPARE(row[1].toInt(), pick.position + 1);
            QCOMPARE(row[2].toString(), population.row(pick.position).number);
            QCOMPARE(row[6].toString(), pick.reason);
            QCOMPARE(row[5].toDouble(), double(population.cents(pick.position)) / 100);
        }
        QCOMPARE(listed, kept.picks.size());
    }

    void theBatchToolSelectsExtendsAndPrints()
    {
        const QString workbook = path(QStringLiteral("应收.xlsx"));
        writePopulation(workbook, m_table);
        const QString first = path(QStringLiteral("b1.rvledger")),
                      second = path(QStringLiteral("b2.rvledger")),
                      third = path(QStringLiteral("b3.rvledger"));
        for (const QString &file : {first, second, third})
            QCOMPARE(batch({QStringLiteral("ledger"), QStringLiteral("new"), file}).status, 0);
        const QStringList select{QStringLiteral("select"),          workbook,
                                 QStringLiteral("--key-threshold"), QStringLiteral("200,000"),
                                 QStringLiteral("--size"),          QStringLiteral("6")};
        const BatchRun a =
            batch(select + QStringList{QStringLiteral("--ledger"), first, QStringLiteral("--seed"),
                                       QStringLiteral("2026")});
        QVERIFY2(a.status == 0, qPrintable(a.error));
        const BatchRun b =
            batch(select + QStringList{QStringLiteral("--ledger"), second, QStringLiteral("--seed"),
                                       QStringLiteral("2026")});
        const BatchRun c =
            batch(select + QStringList{QStringLiteral("--ledger"), third, QStringLiteral("--seed"),
                                       QStringLiteral("2027")});
        // The same table, rules and seed give the same picks, byte for byte; another seed others.
        QCOMPARE(picksOf(b.out), picksOf(a.out));
        QVERIFY(picksOf(c.out) != picksOf(a.out));
        QVERIFY2(a.out.contains(QStringLiteral("随机种子\t2026")), qPrintable(a.out));
        QVERIFY2(a.out.contains(QStringLiteral("贷方余额与零余额不参与抽样")), qPrintable(a.out));

        const auto before = LedgerStore::open(first)->selections().value(0);
        const BatchRun extended =
            batch({QStringLiteral("select"), workbook, QStringLiteral("--ledger"), first,
                   QStringLiteral("--extend"), QStringLiteral("4")});
        QVERIFY2(extended.status == 0, qPrintable(extended.error));
        const auto after = LedgerStore::open(first)->selections().value(0);
        QCOMPARE(after.picks.mid(0, before.picks.size()), before.picks);
        QVERIFY(after.picks.size() > before.picks.size());
        QCOMPARE(after.rounds.size(), 2);
        QVERIFY(LedgerStore::open(first)->verify().ok);

        // Only the picked rows print.
        const QString pdf = path(QStringLiteral("选中.pdf"));
        const BatchRun printed =
            batch({QStringLiteral("print"), workbook, QStringLiteral("--ledger"), first,
                   QStringLiteral("--selection"), QStringLiteral("--pdf"), pdf});
        QVERIFY2(printed.status == 0, qPrintable(printed.error));
        QCOMPARE(pdfPages(pdf), after.picks.size());
        QCOMPARE(LedgerStore::open(first)->letterCount(), after.picks.size());
    }

    void theBatchToolSaysWhatIsWrong_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("cell"); // a table row whose amount is put out of order; 0 none
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::newRow("a threshold that is no number")
            << QStringList{"--key-threshold", "abc", "--size", "3"} << 0 << QString()
            << "重要项目界限“abc”不是金额";
        QTest::newRow("a size larger than the population")
            << QStringList{"--method", "random", "--size", "1000"} << 0 << QString() << "样本量";
        QTest::newRow("an amount that does not parse")
            << QStringList{"--size", "3"} << 6 << QStringLiteral("十二元") << "第7行C列";
        QTest::newRow("no seed") << QStringList{"--size", "3", "--seed", "12ab"} << 0 << QString()
                                 << "随机种子";
        QTest::newRow("a method not known")
            << QStringList{"--method", "lucky", "--size", "3"} << 0 << QString() << "--method";
    }
    void theBatchToolSaysWhatIsWrong()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, cell);
        QFETCH(QString, amount);
        QFETCH(QString, message);
        StringGridModel table;
        fillPopulation(table);
        if (cell > 0)
            table.setCells(2, cell, amount);
        const QString workbook = path(QStringLiteral("bad-%1.xlsx").arg(QTest::currentDataTag()));
        writePopulation(workbook, table);
        const QString file = path(QStringLiteral("bad-%1.rvledger").arg(QTest::currentDataTag()));
        QCOMPARE(batch({QStringLiteral("ledger"), QStringLiteral("new"), file}).status, 0);
        const BatchRun run = batch(
            QStringList{QStringLiteral("select"), workbook, QStringLiteral("--ledger"), file} +
            arguments);
        QVERIFY(run.status == 1 || run.status == 2);
        QVERIFY2(run.error.contains(message), qPrintable(run.error));
        QVERIFY(LedgerStore::open(file)->selections().isEmpty());
    }

    // A letter number two rows carry cannot say which row is meant by hand.
    void aNumberTwoRowsCarryIsNotGuessed()
    {
        StringGridModel table;
        fillPopulation(table);
        table.setCells(3, 8, QStringLiteral("WL-0002"));
        const QString workbook = path(QStringLiteral("twice.xlsx"));
        writePopulation(workbook, table);
        const QString file = path(QStringLiteral("twice.rvledger"));
        QCOMPARE(batch({QStringLiteral("ledger"), QStringLiteral("new"), file}).status, 0);
        const BatchRun run = batch({QStringLiteral("select"), workbook, QStringLiteral("--ledger"),
                                    file, QStringLiteral("--method"), QStringLiteral("manual"),
                                    QStringLiteral("--manual"), QStringLiteral("WL-0002")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.error.contains(QStringLiteral("函编号“WL-0002”有 2 行：第3行、第9行")),
                 qPrintable(run.error));
        QVERIFY(LedgerStore::open(file)->selections().isEmpty());
    }

    void aPopulationOfZeroIsRefused()
    {
        StringGridModel table;
        fillReceivables(table, 4, QStringLiteral("Z"));
        for (int row = 1; row <= 4; ++row)
            table.setCells(2, row, QStringLiteral("0"));
        const Population population = Population::fromTable(table, scanSettings());
        SelectionPlan zero = plan(QStringLiteral("1"));
        zero.keyThresholdCents.reset();
        const QString error = messageOf([&] { Sampler::select(population, zero); });
        QVERIFY2(error.contains(QStringLiteral("为零")), qPrintable(error));
    }
};

QTEST_MAIN(TestSelectionControl)
#include "test_selection_control.moc"
