// What the reconciliation dialog and the 结论 tab read and show, without a window: amounts
// with a sign and dates under regional settings, rows refused with the row and column to
// go back to, the figures shown while typing, and each confirmation's row as judged.

#include "control/AmountInput.h"
#include "control/DateInput.h"
#include "control/EvaluationRows.h"
#include "control/ReconciliationFigures.h"
#include "control/ReconciliationInput.h"

#include <QTest>

using namespace ReconciliationInput;

namespace {

RegionalSettings region(const char *name)
{
    return RegionalSettings::fromLocale(QLocale(QLatin1String(name)));
}

const QString kInTransit = QStringLiteral("在途款项");
const QString kReceipt = QStringLiteral("期后收款");

} // namespace

class TestReconciliationInput : public QObject
{
    Q_OBJECT

private slots:
    // Items explain a difference either way; the plain amounts of a selection stay unsigned.
    void amounts_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("signedCents"); // -1 for none
        QTest::addColumn<QString>("signedError");
        QTest::addColumn<QString>("plainError");
        QTest::newRow("negative") << "zh_CN"
                                  << "-1,234.5" << qint64(-123450) << ""
                                  << "金额“-1,234.5”不是金额";
        QTest::newRow("minus sign") << "zh_CN"
                                    << "−20" << qint64(-2000) << ""
                                    << "金额“−20”不是金额";
        QTest::newRow("full-width minus") << "zh_CN"
                                          << "－0.05" << qint64(-5) << ""
                                          << "金额“－0.05”不是金额";
        QTest::newRow("positive") << "zh_CN"
                                  << " 15.00 " << qint64(1500) << ""
                                  << "";
        QTest::newRow("decimal comma") << "de_DE"
                                       << "-12,5" << qint64(-1250) << ""
                                       << "金额“-12,5”不是金额";
        QTest::newRow("empty") << "zh_CN"
                               << "  " << qint64(-1) << ""
                               << "";
        QTest::newRow("a word") << "zh_CN"
                                << "abc" << qint64(-1) << "金额“abc”不是金额"
                                << "金额“abc”不是金额";
        QTest::newRow("a lone minus") << "zh_CN"
                                      << "-" << qint64(-1) << "金额“-”不是金额"
                                      << "金额“-”不是金额";
        QTest::newRow("beyond 64 bits") << "zh_CN"
                                        << "-1e30" << qint64(-1) << "金额“-1e30”不是金额"
                                        << "金额“-1e30”不是金额";
    }
    void amounts()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(qint64, signedCents);
        QFETCH(QString, signedError);
        QFETCH(QString, plainError);
        const RegionalSettings settings = region(locale.toLatin1().constData());
        const QString label = QStringLiteral("金额");
        try {
            const auto cents = AmountInput::signedCents(label, text, settings);
            QVERIFY2(signedError.isEmpty(), "the signed read took what it should refuse");
            QCOMPARE(cents.value_or(-1), signedCents);
            if (cents) // what the box shows for it reads back the same
                QCOMPARE(
                    AmountInput::signedCents(label, AmountInput::text(*cents, settings), settings),
                    cents);
        } catch (const Exception &error) {
            QCOMPARE(error.message(), signedError);
        }
        try {
            AmountInput::cents(label, text, settings);
            QVERIFY2(plainError.isEmpty(), "the plain read took a negative amount");
        } catch (const Exception &error) {
            QCOMPARE(error.message(), plainError);
        }
    }

    void dates_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("error");
        QTest::newRow("written") << "en_US"
                                 << "2027-01-05" << QDate(2027, 1, 5) << "";
        QTest::newRow("written short") << "de_DE"
                                       << "2027-1-5" << QDate(2027, 1, 5) << "";
        QTest::newRow("regional zh") << "zh_CN"
                                     << "2027/1/5" << QDate(2027, 1, 5) << "";
        QTest::newRow("regional de") << "de_DE"
                                     << "05.01.2027" << QDate(2027, 1, 5) << "";
        QTest::newRow("regional us") << "en_US"
                                     << "1/5/2027" << QDate(2027, 1, 5) << "";
        QTest::newRow("empty") << "zh_CN"
                               << "" << QDate() << "";
        QTest::newRow("month 13") << "zh_CN"
                                  << "2027-13-45" << QDate()
                                  << "第 1 行调节项日期“2027-13-45”不是日期";
        QTest::newRow("29 February")
            << "zh_CN"
            << "2027-02-29" << QDate() << "第 1 行调节项日期“2027-02-29”不是日期";
        QTest::newRow("a word") << "zh_CN"
                                << "下周" << QDate() << "第 1 行调节项日期“下周”不是日期";
    }
    void dates()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QFETCH(QString, error);
        const QString label = QStringLiteral("第 1 行调节项日期");
        try {
            const auto read = DateInput::date(label, text, region(locale.toLatin1().constData()));
            QVERIFY2(error.isEmpty(), "a date that is none was taken");
            QCOMPARE(read.value_or(QDate()), date);
            if (read)
                QCOMPARE(DateInput::date(label, DateInput::text(*read), region("en_US")), read);
        } catch (const Exception &refused) {
            QCOMPARE(refused.message(), error);
        }
    }

    // The first row refused names itself and says where to go back to; the rows before it
    // do not make the list half read.
    void rowsRefused_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<bool>("evidence");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        const QStringList good{kInTransit, QStringLiteral("-20"), QString(), QString(), QString()};
        QTest::newRow("item without an amount")
            << QList<QStringList>{good, {kInTransit, QString(), QStringLiteral("2027-01-05")}}
            << false << "第 2 行调节项没有金额" << 1 << int(Amount);
        QTest::newRow("item amount no amount")
            << QList<QStringList>{{kInTransit, QStringLiteral("2O.00")}} << false
            << "第 1 行调节项金额“2O.00”不是金额" << 0 << int(Amount);
        QTest::newRow("item date no date")
            << QList<QStringList>{{kInTransit, QStringLiteral("5"), QStringLiteral("2027-13-45")}}
            << false << "第 1 行调节项日期“2027-13-45”不是日期" << 0 << int(Date);
        QTest::newRow("item of no kind listed")
            << QList<QStringList>{good, {QStringLiteral("汇率"), QStringLiteral("5")}} << false
            << "第 2 行调节项的种类“汇率”不在可选之列" << 1 << int(Kind);
        QTest::newRow("evidence without an amount")
            << QList<QStringList>{{kReceipt, QString()}} << true << "第 1 行证据没有金额" << 0
            << int(Amount);
        QTest::newRow("evidence negative")
            << QList<QStringList>{{kReceipt, QStringLiteral("10")},
                                  {kReceipt, QStringLiteral("-5")}}
            << true << "第 2 行证据金额“-5”不是金额" << 1 << int(Amount);
        QTest::newRow("evidence of an item's kind")
            << QList<QStringList>{{kInTransit, QStringLiteral("5")}} << true
            << "第 1 行证据的种类“在途款项”不在可选之列" << 0 << int(Kind);
    }
    void rowsRefused()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(bool, evidence);
        QFETCH(QString, message);
        QFETCH(int, row);
        QFETCH(int, column);
        const RegionalSettings settings = region("zh_CN");
        try {
            if (evidence) {
                QList<EvidenceRow> typed;
                for (const QStringList &texts : rows)
                    typed.append({texts.value(0), texts.value(1), texts.value(2), texts.value(3)});
                ReconciliationInput::evidence(typed, settings);
            } else {
                QList<ItemRow> typed;
                for (const QStringList &texts : rows)
                    typed.append({texts.value(0), texts.value(1), texts.value(2), texts.value(3),
                                  texts.value(4)});
                ReconciliationInput::items(typed, settings);
            }
            QFAIL("the rows were taken");
        } catch (const RowError &error) {
            QCOMPARE(error.message(), message);
            QCOMPARE(error.row(), row);
            QCOMPARE(int(error.column()), column);
        }
    }

    void rowsRead()
    {
        const RegionalSettings settings = region("zh_CN");
        const QList<ReconcilingItem> items = ReconciliationInput::items(
            {{kInTransit, QStringLiteral("-1,200.50"), QStringLiteral("2027/1/5"),
              QStringLiteral(" YH-88 "), QStringLiteral(" 1月5日到账 ")},
             {QStringLiteral("其他"), QStringLiteral("0.5"), QString(), QString(), QString()}},
            settings);
        QCOMPARE(items,
                 (QList<ReconcilingItem>{{kInTransit, -120050, QDate(2027, 1, 5),
                                          QStringLiteral("YH-88"), QStringLiteral("1月5日到账")},
                                         {QStringLiteral("其他"), 50, QDate(), {}, {}}}));
        // The rows a kept item shows read back as the same item.
        QList<ItemRow> shown;
        for (const ReconcilingItem &item : items)
            shown.append(rowOf(item, settings));
        QCOMPARE(ReconciliationInput::items(shown, settings), items);
    }

    // 确认金额 typed wins; left empty it is the evidence's sum, within the book amount.
    void procedures_data()
    {
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<QString>("covered");
        QTest::addColumn<qint64>("book"); // -1 for none
        QTest::addColumn<qint64>("coveredCents");
        QTest::addColumn<QString>("suggested");
        QTest::newRow("sum below the book")
            << QStringList{"300", "200.25"} << "" << qint64(100000) << qint64(50025) << "部分确认";
        QTest::newRow("sum over the book") << QStringList{"600", "500"} << "" << qint64(100000)
                                           << qint64(100000) << "替代程序确认";
        QTest::newRow("typed") << QStringList{"600", "500"} << "700" << qint64(100000)
                               << qint64(70000) << "部分确认";
        QTest::newRow("nothing") << QStringList{} << "" << qint64(100000) << qint64(0)
                                 << "未能确认";
        QTest::newRow("a credit balance")
            << QStringList{"50"} << "" << qint64(-5000) << qint64(0) << "替代程序确认";
        QTest::newRow("no book amount")
            << QStringList{"50"} << "" << qint64(-1) << qint64(5000) << "替代程序确认";
        QTest::newRow("a row still being typed")
            << QStringList{"50", "5x"} << "" << qint64(100000) << qint64(5000) << "部分确认";
    }
    void procedures()
    {
        QFETCH(QStringList, amounts);
        QFETCH(QString, covered);
        QFETCH(qint64, book);
        QFETCH(qint64, coveredCents);
        QFETCH(QString, suggested);
        const RegionalSettings settings = region("zh_CN");
        QList<EvidenceRow> rows;
        for (const QString &amount : amounts)
            rows.append({kReceipt, amount, QString(), QStringLiteral("SK-1")});
        const std::optional<qint64> bookCents =
            book == -1 ? std::nullopt : std::optional<qint64>(book);
        if (covered.isEmpty())
            QCOMPARE(defaultCovered(rows, bookCents, settings), coveredCents);
        QCOMPARE(ReconciliationFigures::suggestedConclusion(coveredCents, bookCents), suggested);
        if (amounts.contains(QStringLiteral("5x")))
            return; // 保存 refuses it; the figures only leave it out
        const AlternativeProcedure procedure = ReconciliationInput::procedure(
            rows, covered, suggested, QStringLiteral(" 查看了银行回单 "), bookCents, settings);
        QCOMPARE(procedure.coveredCents, coveredCents);
        QCOMPARE(procedure.evidence.size(), amounts.size());
        QCOMPARE(procedure.conclusion, suggested);
        QCOMPARE(procedure.note, QStringLiteral("查看了银行回单"));
    }

    void coveredNotAnAmount()
    {
        try {
            ReconciliationInput::procedure({}, QStringLiteral("abc"), QStringLiteral("未能确认"),
                                           {}, 100, region("zh_CN"));
            QFAIL("taken");
        } catch (const Exception &error) {
            QCOMPARE(error.message(), QStringLiteral("确认金额“abc”不是金额"));
        }
    }

    // The figures shown while typing: rows not yet amounts are left out and counted.
    void figures_data()
    {
        QTest::addColumn<qint64>("reply"); // -1 for none
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<qint64>("tolerance");
        QTest::addColumn<qint64>("items");
        QTest::addColumn<int>("leftOut");
        QTest::addColumn<qint64>("after"); // -1 for none
        QTest::addColumn<QString>("result");
        // Book 1,000.00 in every row.
        QTest::newRow("explained") << qint64(98000) << QStringList{"-15", "-5.00"} << qint64(0)
                                   << qint64(-2000) << 0 << qint64(0) << "调节后相符";
        QTest::newRow("residue") << qint64(98000) << QStringList{"-15"} << qint64(0)
                                 << qint64(-1500) << 0 << qint64(-500) << "不符";
        QTest::newRow("within the tolerance") << qint64(98000) << QStringList{"-15"} << qint64(500)
                                              << qint64(-1500) << 0 << qint64(-500) << "调节后相符";
        QTest::newRow("rows being typed")
            << qint64(98000) << QStringList{"-20", "", "-"} << qint64(0) << qint64(-2000) << 2
            << qint64(0) << "调节后相符";
        QTest::newRow("no reply amount") << qint64(-1) << QStringList{"-15"} << qint64(0)
                                         << qint64(-1500) << 0 << qint64(-1) << "";
    }
    void figures()
    {
        QFETCH(qint64, reply);
        QFETCH(QStringList, amounts);
        QFETCH(qint64, tolerance);
        QFETCH(qint64, items);
        QFETCH(int, leftOut);
        QFETCH(qint64, after);
        QFETCH(QString, result);
        QList<ItemRow> rows;
        for (const QString &amount : amounts)
            rows.append({kInTransit, amount, {}, {}, {}});
        const auto replyCents = reply == -1 ? std::nullopt : std::optional<qint64>(reply);
        const ReconciliationFigures figures =
            ReconciliationFigures::of(100000, replyCents, rows, tolerance, region("zh_CN"));
        QCOMPARE(figures.itemsCents, items);
        QCOMPARE(figures.rowsLeftOut, leftOut);
        QCOMPARE(figures.differenceAfterCents.value_or(-1), after);
        QCOMPARE(figures.result, result);
        QCOMPARE(figures.differenceCents.has_value(), replyCents.has_value());
    }

    void judgedRows_data()
    {
        QTest::addColumn<qint64>("book");
        QTest::addColumn<qint64>("misstatement");
        QTest::addColumn<double>("tainting"); // -1 for none
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("tainted") << qint64(200000) << qint64(50000) << 0.25 << true
                                 << QStringList{"2,000.00", "抽样", "500.00", "25.00%"};
        QTest::newRow("key item, understated")
            << qint64(100000) << qint64(-2000) << -1.0 << true
            << QStringList{"1,000.00", "抽样", "-20.00", "-2.00%"};
        QTest::newRow("too small for two decimals")
            << qint64(853420050) << qint64(20050) << -1.0 << true
            << QStringList{"8,534,200.50", "抽样", "200.50", "< 0.01%"};
        QTest::newRow("zero book")
            << qint64(0) << qint64(0) << -1.0 << true << QStringList{"0.00", "抽样", "0.00", ""};
        QTest::newRow("never sent")
            << qint64(300000) << qint64(300000) << -1.0 << false
            << QStringList{"3,000.00", "抽样（未发函）", "3,000.00", "100.00%"};
    }
    void judgedRows()
    {
        QFETCH(qint64, book);
        QFETCH(qint64, misstatement);
        QFETCH(double, tainting);
        QFETCH(bool, sent);
        QFETCH(QStringList, texts);
        Evaluation::Judged judged;
        judged.item.number = QStringLiteral("HZ-1");
        judged.item.customer = QStringLiteral("杭州甲公司");
        judged.item.bookCents = book;
        judged.item.reason = QStringLiteral("抽样");
        judged.item.sent = sent;
        judged.basis = Evaluation::Basis::Differs;
        judged.differenceAfterCents = -misstatement;
        judged.misstatementCents = misstatement;
        if (tainting >= 0)
            judged.tainting = tainting;
        const QStringList row = EvaluationRows::texts(judged);
        QCOMPARE(row.size(), EvaluationRows::titles().size());
        QCOMPARE(row[0], QStringLiteral("HZ-1"));
        QCOMPARE(row[2], texts[0]);
        QCOMPARE(row[3], texts[1]);
        QCOMPARE(row[4], QStringLiteral("调节后仍不符"));
        QCOMPARE(row[7], texts[2]);
        QCOMPARE(row[8], texts[3]);
    }
};

QTEST_GUILESS_MAIN(TestReconciliationInput)
#include "test_reconciliation_input.moc"
