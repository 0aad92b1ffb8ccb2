// Reconciling items, alternative procedures and the tolerance in real ledger files: kept as
// written, each change in the log, 函证结果 following the amounts, bad input refused whole,
// a ledger of the fifth version brought up, and any change past the program found.

#include "ledger/AmountText.h"
#include "ledger/LedgerBackup.h"
#include "ledger/LedgerSchema.h"
#include "ledger/LedgerStore.h"
#include "ledger/LetterRecordText.h"
#include "support/LedgerFixtures.h"
#include "support/MessageOf.h"

#include <QTemporaryDir>
#include <QtTest>
#include <limits>

using Change = std::function<void(LedgerStore &)>;
Q_DECLARE_METATYPE(Change)

namespace {
const QString kTransit = QStringLiteral("在途款项");
const QString kGoods = QStringLiteral("在途货物");
const QString kDispute = QStringLiteral("争议");

ReconcilingItem item(const QString &kind, qint64 cents, const QString &reference = QString(),
                     const QString &note = QString(), const QDate &date = QDate(2026, 12, 30))
{
    return {kind, cents, date, reference, note};
}

AlternativeProcedure procedure(qint64 covered, const QString &conclusion,
                               const QList<AlternativeEvidence> &evidence = {})
{
    AlternativeProcedure made;
    made.coveredCents = covered;
    made.conclusion = conclusion;
    made.evidence = evidence;
    return made;
}

AlternativeEvidence evidence(const QString &kind, qint64 cents, const QString &reference)
{
    return {kind, cents, QDate(2027, 1, 15), reference};
}

QString number(int n)
{
    return ledgerLetter(n).number;
}

QString resultOf(const LedgerStore &ledger, int n)
{
    return ledger.letter(number(n))->value(LetterField::Result);
}
} // namespace

class TestLedgerReconciliation : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;

    // Letters 1–4 of 1,000.00 each, and letter 5 a credit balance of −1,000.00.
    std::unique_ptr<LedgerStore> newLedger(QString *path = nullptr)
    {
        const QString file = m_dir.filePath(QStringLiteral("r%1.rvledger").arg(++m_files));
        if (path)
            *path = file;
        auto ledger = LedgerStore::create(file, QStringLiteral("调节测试"));
        QList<SentPage> pages = ledgerPages(1, 4);
        SentPage credit;
        credit.identity = ledgerLetter(5, -100000);
        credit.pageSha256 = QByteArray(64, 'a');
        pages.append(credit);
        ledger->recordRun(ledgerRun(), pages);
        return ledger;
    }

private slots:
    void initTestCase() { LedgerStore::setUserName(QStringLiteral("审计员")); }

    void itemsAndProceduresAreKeptAsWritten()
    {
        QString path;
        auto ledger = newLedger(&path);
        const QList<ReconcilingItem> items{item(kTransit, -120000,
                                                QStringLiteral("银行回单 \"BR-1\"; 第2页"),
                                                QStringLiteral("客户 12月31日 付款；次月到账")),
                                           item(QStringLiteral("未达账项（发票未入账）"), 3456,
                                                QStringLiteral(R"(\\fs01\凭证\2026\12)"),
                                                QStringLiteral("含 \\n 与 ' 引号"), QDate()),
                                           item(kDispute, 99, QString(), QString())};
        const AlternativeProcedure alternative = procedure(
            100000, QStringLiteral("替代程序确认"),
            {evidence(QStringLiteral("期后收款"), 60000, QStringLiteral("回单；\"A\"\\1")),
             evidence(QStringLiteral("发货单"), 40000, QStringLiteral("FH-2026-9"))});
        const qint64 before = ledger->logSize();
        ledger->setReconcilingItems(number(1), items);
        ledger->setAlternativeProcedure(number(2), alternative);
        // One entry per item, one for the conclusion and one per piece of evidence.
        QCOMPARE(ledger->logSize(), before + 3 + 1 + 2);
        const QList<LogEntry> log = ledger->log(number(1));
        QCOMPARE(log.last().action, LedgerStore::ReconcileAction);
        QCOMPARE(LetterRecordText::readableValue(log[log.size() - 3]),
                 QStringLiteral("在途款项 -1,200.00（2026-12-30，银行回单 \"BR-1\"; 第2页）：客户 "
                                "12月31日 付款；次月到账"));
        QCOMPARE(ledger->log(number(2)).at(1).action, LedgerStore::AlternativeAction);
        QCOMPARE(LetterRecordText::readableValue(ledger->log(number(2)).at(1)),
                 QStringLiteral("替代程序确认，确认金额 1,000.00"));

        ledger.reset();
        ledger = LedgerStore::open(path);
        QCOMPARE(ledger->reconcilingItems(number(1)), items);
        QCOMPARE(ledger->allReconcilingItems(),
                 (QHash<QString, QList<ReconcilingItem>>{{number(1), items}}));
        QCOMPARE(ledger->alternativeProcedure(number(2)), alternative);
        QCOMPARE(ledger->alternativeProcedures(),
                 (QHash<QString, AlternativeProcedure>{{number(2), alternative}}));
        QVERIFY(ledger->reconcilingItems(number(2)).isEmpty());
        QVERIFY(!ledger->alternativeProcedure(number(1)));
        QVERIFY(ledger->verify().ok);

        // Taking the procedure off logs its evidence and conclusion taken off, in words.
        ledger->setAlternativeProcedure(number(2), std::nullopt);
        QVERIFY(!ledger->alternativeProcedure(number(2)));
        const QList<LogEntry> taken = ledger->log(number(2)).mid(4);
        QCOMPARE(taken.size(), 3);
        QCOMPARE(LetterRecordText::readableValue(taken[0]),
                 QStringLiteral("删去：发货单 400.00（2027-01-15，FH-2026-9）"));
        QCOMPARE(LetterRecordText::readableOldValue(taken[2]),
                 QStringLiteral("替代程序确认，确认金额 1,000.00"));
        const LedgerStore::Verification checked = ledger->verify();
        QVERIFY2(checked.ok, qPrintable(checked.problem));
    }

    // A list replaced logs only what was taken off and put in, and the log replayed gives
    // the list as kept, whatever moved.
    void replacingAListLogsWhatChanged_data()
    {
        QTest::addColumn<QList<int>>("before"); // amounts in yuan, one item each
        QTest::addColumn<QList<int>>("after");
        QTest::addColumn<int>("entries");
        QTest::newRow("the same") << QList<int>{1, 2, 3} << QList<int>{1, 2, 3} << 0;
        QTest::newRow("one added in the middle") << QList<int>{1, 3} << QList<int>{1, 2, 3} << 1;
        QTest::newRow("one taken from the middle") << QList<int>{1, 2, 3} << QList<int>{1, 3} << 1;
        QTest::newRow("one changed") << QList<int>{1, 2, 3} << QList<int>{1, 5, 3} << 2;
        QTest::newRow("two swapped") << QList<int>{1, 2, 3} << QList<int>{3, 1, 2} << 2;
        QTest::newRow("reversed") << QList<int>{1, 2, 3, 4} << QList<int>{4, 3, 2, 1} << 6;
        QTest::newRow("the same item twice") << QList<int>{7, 7} << QList<int>{7, 8, 7, 7} << 2;
        QTest::newRow("all taken off") << QList<int>{1, 2} << QList<int>{} << 2;
    }
    void replacingAListLogsWhatChanged()
    {
        QFETCH(QList<int>, before);
        QFETCH(QList<int>, after);
        QFETCH(int, entries);
        auto itemsOf = [](const QList<int> &yuan) {
            QList<ReconcilingItem> items;
            for (int amount : yuan)
                items.append(item(kGoods, amount * 100, QStringLiteral("FH-%1").arg(amount)));
            return items;
        };
        auto evidenceOf = [](const QList<int> &yuan) {
            AlternativeProcedure made = procedure(0, QStringLiteral("未能确认"));
            for (int amount : yuan)
                made.evidence.append(evidence(QStringLiteral("发票"), amount * 100,
                                              QStringLiteral("FP-%1").arg(amount)));
            return made;
        };
        auto ledger = newLedger();
        ledger->setReconcilingItems(number(1), itemsOf(before));
        ledger->setAlternativeProcedure(number(1), evidenceOf(before));
        const qint64 size = ledger->logSize();
        ledger->setReconcilingItems(number(1), itemsOf(after));
        QCOMPARE(ledger->logSize(), size + entries);
        ledger->setAlternativeProcedure(number(1), evidenceOf(after));
        QCOMPARE(ledger->logSize(), size + 2 * entries);
        QCOMPARE(ledger->reconcilingItems(number(1)), itemsOf(after));
        QCOMPARE(ledger->alternativeProcedure(number(1)), evidenceOf(after));
        const LedgerStore::Verification checked = ledger->verify();
        QVERIFY2(checked.ok, qPrintable(checked.problem));
    }

    void theResultFollowsTheReplyTheItemsAndTheTolerance()
    {
        auto ledger = newLedger();
        // Letter 1 replies 900.00 against 1,000.00; letter 2 agrees without items; letter 3
        // has items and no reply yet.
        ledger->setValues(number(1), {{LetterField::ReplyAmount, QStringLiteral("900")}});
        ledger->setValues(number(2), {{LetterField::ReplyAmount, QStringLiteral("990.00")},
                                      {LetterField::Result, QStringLiteral("相符")}});
        ledger->setValues(number(3), {{LetterField::Result, QStringLiteral("未回函")}});
        ledger->setReconcilingItems(number(1), {item(kTransit, -9000), item(kGoods, -500)});
        QCOMPARE(resultOf(*ledger, 1), QStringLiteral("不符")); // 5.00 left
        ledger->setReconcilingItems(number(3), {item(kTransit, -100)});
        QCOMPARE(resultOf(*ledger, 3), QStringLiteral("未回函"));
        // The result set is a change of the field like any other, under 调节.
        const LogEntry judged = ledger->log(number(1)).last();
        QCOMPARE(judged.action, LedgerStore::ReconcileAction);
        QCOMPARE(judged.field, QStringLiteral("函证结果"));
        QCOMPARE(judged.newValue, QStringLiteral("不符"));

        ledger->setToleranceCents(500);
        QCOMPARE(ledger->toleranceCents(), 500);
        QCOMPARE(resultOf(*ledger, 1), QStringLiteral("调节后相符"));
        QCOMPARE(resultOf(*ledger, 2), QStringLiteral("相符"));
        QCOMPARE(resultOf(*ledger, 3), QStringLiteral("未回函"));
        QCOMPARE(ledger->log(QStringLiteral("台账")).last().newValue, QStringLiteral("5.00"));
        ledger->setToleranceCents(499);
        QCOMPARE(resultOf(*ledger, 1), QStringLiteral("不符"));

        // A new reply amount judges the letter again, in the same transaction, however set.
        ledger->setValues(number(1), {{LetterField::ReplyAmount, QStringLiteral("904.99")}});
        QCOMPARE(resultOf(*ledger, 1), QStringLiteral("调节后相符"));
        QVERIFY(ledger
                    ->setValuesOf(
                        {{number(1), {{LetterField::ReplyAmount, QStringLiteral("1,000.00")}}},
                         {number(2), {{LetterField::ReplyAmount, QStringLiteral("1,000.00")}}}},
                        QStringLiteral("导入"))
                    .isEmpty());
        QCOMPARE(resultOf(*ledger, 1), QStringLiteral("不符"));
        QCOMPARE(resultOf(*ledger, 2), QStringLiteral("相符"));
        ledger->setValues(number(3), {{LetterField::ReplyAmount, QStringLiteral("999.00")}});
        QCOMPARE(resultOf(*ledger, 3), QStringLiteral("调节后相符"));
        // Without its reply amount, 调节后相符 rests on nothing.
        ledger->setValues(number(3), {{LetterField::ReplyAmount, QString()}});
        QCOMPARE(resultOf(*ledger, 3), QString());

        // A credit balance: −1,000.00 booked, −950.00 replied, −50.00 in transit.
        ledger->setValues(number(5), {{LetterField::ReplyAmount, QStringLiteral("-950")}});
        ledger->setReconcilingItems(number(5), {item(kTransit, 5000)});
        QCOMPARE(resultOf(*ledger, 5), QStringLiteral("调节后相符"));
        const LedgerStore::Verification checked = ledger->verify();
        QVERIFY2(checked.ok, qPrintable(checked.problem));
    }

    void badInputIsRefusedAndNothingKept_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("message");
        const QString n1 = number(1), n5 = number(5);
        const QString confirmed = QStringLiteral("替代程序确认"),
                      partly = QStringLiteral("部分确认"), none = QStringLiteral("未能确认");
        QTest::newRow("an item of no amount") << Change([=](LedgerStore &l) {
            l.setReconcilingItems(n1, {item(kTransit, 100), item(kGoods, 0)});
        }) << QStringLiteral("函证编号 HZ2026-0001：调节项金额不能为零（第 2 项）");
        QTest::newRow("an item of a kind not listed")
            << Change([=](LedgerStore &l) { l.setReconcilingItems(n1, {item("汇率差", 100)}); })
            << QStringLiteral("函证编号 HZ2026-0001：调节项类型“汇率差”不在可选的范围内：在途款项");
        QTest::newRow("an item of no kind")
            << Change([=](LedgerStore &l) { l.setReconcilingItems(n1, {item(" ", 100)}); })
            << QStringLiteral("调节项类型未选择");
        QTest::newRow("items of no letter")
            << Change([=](LedgerStore &l) { l.setReconcilingItems("HZ-无", {item(kGoods, 1)}); })
            << QStringLiteral("函证台账中没有函证编号为“HZ-无”的有效询证函");
        QTest::newRow("more covered than booked")
            << Change([=](LedgerStore &l) {
                   l.setAlternativeProcedure(n1, procedure(120000, confirmed));
               })
            << QStringLiteral("函证编号 HZ2026-0001：替代程序确认金额 1,200.00 超过账面金额 "
                              "1,000.00");
        // Saved together, as the dialog saves them: good items do not stay behind a refused
        // procedure.
        QTest::newRow("items with a procedure refused")
            << Change([=](LedgerStore &l) {
                   l.setReconciliation(n1, {item(kGoods, -5000, "FH-9")},
                                       procedure(120000, confirmed));
               })
            << QStringLiteral("函证编号 HZ2026-0001：替代程序确认金额 1,200.00 超过账面金额 "
                              "1,000.00");
        QTest::newRow("more covered than a credit balance") << Change([=](LedgerStore &l) {
            l.setAlternativeProcedure(n5, procedure(100001, confirmed));
        }) << QStringLiteral("替代程序确认金额 1,000.01 超过账面金额 -1,000.00");
        QTest::newRow("less than nothing covered")
            << Change([=](LedgerStore &l) { l.setAlternativeProcedure(n1, procedure(-1, none)); })
            << QStringLiteral("替代程序确认金额 -0.01 不能为负数");
        QTest::newRow("evidence of a kind not listed") << Change([=](LedgerStore &l) {
            l.setAlternativeProcedure(
                n1, procedure(0, none, {evidence("发票", 1, "A"), evidence("函", 1, "B")}));
        }) << QStringLiteral("第 2 项证据的类型“函”不在可选的范围内");
        QTest::newRow("evidence of no amount") << Change([=](LedgerStore &l) {
            l.setAlternativeProcedure(n1, procedure(0, none, {evidence("合同", 0, "HT")}));
        }) << QStringLiteral("第 1 项证据的金额不能为零");
        QTest::newRow("a conclusion not listed") << Change([=](LedgerStore &l) {
            l.setAlternativeProcedure(n1, procedure(0, "基本确认"));
        }) << QStringLiteral("替代程序结论“基本确认”不在可选的范围内");
        QTest::newRow("confirmed with less covered") << Change([=](LedgerStore &l) {
            l.setAlternativeProcedure(n1, procedure(99999, confirmed));
        }) << QStringLiteral("结论为替代程序确认，但确认金额 999.99 少于账面金额 1,000.00");
        QTest::newRow("a credit confirmed with less covered") << Change([=](LedgerStore &l) {
            l.setAlternativeProcedure(n5, procedure(99999, confirmed));
        }) << QStringLiteral("少于账面金额 -1,000.00");
        QTest::newRow("not confirmed with some covered")
            << Change([=](LedgerStore &l) { l.setAlternativeProcedure(n1, procedure(1, none)); })
            << QStringLiteral("结论为未能确认，但确认金额为 0.01");
        QTest::newRow("partly confirmed with none covered")
            << Change([=](LedgerStore &l) { l.setAlternativeProcedure(n1, procedure(0, partly)); })
            << QStringLiteral("结论为部分确认，但确认金额为 0.00");
        QTest::newRow("partly confirmed with all covered") << Change([=](LedgerStore &l) {
            l.setAlternativeProcedure(n1, procedure(100000, partly));
        }) << QStringLiteral("结论为部分确认，但确认金额 1,000.00 等于账面金额");
        QTest::newRow("a negative tolerance")
            << Change([](LedgerStore &l) { l.setToleranceCents(-1); })
            << QStringLiteral("调节容差 -0.01 不能为负数");
    }
    void badInputIsRefusedAndNothingKept()
    {
        QFETCH(Change, change);
        QFETCH(QString, message);
        auto ledger = newLedger();
        ledger->setValues(number(1), {{LetterField::ReplyAmount, QStringLiteral("900.00")}});
        const QList<ReconcilingItem> items{item(kTransit, -10000)};
        const AlternativeProcedure kept =
            procedure(50000, QStringLiteral("部分确认"), {evidence("期后收款", 50000, "HD-1")});
        ledger->setReconcilingItems(number(1), items);
        ledger->setAlternativeProcedure(number(1), kept);
        ledger->setAlternativeProcedure(number(5), kept);
        ledger->setToleranceCents(100);
        const qint64 size = ledger->logSize();
        const QString error = messageOf([&] { change(*ledger); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(ledger->logSize(), size);
        QCOMPARE(ledger->reconcilingItems(number(1)), items);
        QCOMPARE(ledger->alternativeProcedure(number(1)), kept);
        QCOMPARE(ledger->alternativeProcedure(number(5)), kept);
        QCOMPARE(ledger->toleranceCents(), 100);
        QCOMPARE(resultOf(*ledger, 1), QStringLiteral("调节后相符"));
        QVERIFY(ledger->verify().ok);
    }

    // An amount typed is taken exactly, or refused naming what it is.
    void amountsAreReadAndWrittenExactly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint64>("cents");
        QTest::addColumn<QString>("written"); // or the message when refused
        QTest::newRow("grouped") << "1,234,567.89" << qint64(123456789) << "1,234,567.89";
        QTest::newRow("one decimal") << " 0.1 " << qint64(10) << "0.10";
        QTest::newRow("full-width") << "－１，２００．５" << qint64(-120050) << "-1,200.50";
        QTest::newRow("whole") << "+7" << qint64(700) << "7.00";
        QTest::newRow("three decimals")
            << "1.005" << qint64(0) << "调节容差“1.005”不是金额（例如 1,234.56）";
        QTest::newRow("not a number")
            << "五元" << qint64(0) << "调节容差“五元”不是金额（例如 1,234.56）";
        QTest::newRow("exponent") << "1e3" << qint64(0) << "调节容差“1e3”不是金额（例如 1,234.56）";
        QTest::newRow("nothing") << "  " << qint64(0) << "调节容差不能为空";
    }
    void amountsAreReadAndWrittenExactly()
    {
        QFETCH(QString, typed);
        QFETCH(qint64, cents);
        QFETCH(QString, written);
        qint64 read = 0;
        const QString error =
            messageOf([&] { read = AmountText::parse(typed, QStringLiteral("调节容差")); });
        if (!error.isEmpty()) {
            QCOMPARE(error, written);
            return;
        }
        QCOMPARE(read, cents);
        QCOMPARE(AmountText::of(read), written);
        QCOMPARE(AmountText::of(std::numeric_limits<qint64>::min()),
                 QStringLiteral("-92,233,720,368,547,758.08"));
    }

    void aCreditBalanceIsConfirmedByItsSize()
    {
        auto ledger = newLedger();
        const AlternativeProcedure all = procedure(100000, QStringLiteral("替代程序确认"),
                                                   {evidence("期后收款", -100000, "HD-9")});
        ledger->setAlternativeProcedure(number(5), all);
        QCOMPARE(ledger->alternativeProcedure(number(5)), all);
    }

    // A voided letter keeps its own items; the letter sent again under its number starts
    // with none.
    void itemsBelongToTheLetterNotItsNumber()
    {
        QString path;
        auto ledger = newLedger(&path);
        ledger->setReconcilingItems(number(1), {item(kDispute, 2500, "质量索赔")});
        ledger->setAlternativeProcedure(number(1), procedure(0, QStringLiteral("未能确认")));
        ledger->voidLetter(number(1), QStringLiteral("地址有误"));
        QVERIFY(ledger->reconcilingItems(number(1)).isEmpty());
        QVERIFY(ledger->allReconcilingItems().isEmpty());
        QVERIFY(ledger->alternativeProcedures().isEmpty());
        ledger->recordRun(ledgerRun(), ledgerPages(1, 1));
        QVERIFY(ledger->reconcilingItems(number(1)).isEmpty());
        ledger->setReconcilingItems(number(1), {item(kGoods, 100)});
        QCOMPARE(ledger->reconcilingItems(number(1)), QList<ReconcilingItem>{item(kGoods, 100)});
        QCOMPARE(scalar(path, "SELECT COUNT(*) FROM reconciling_items"), QStringLiteral("2"));
        QVERIFY(ledger->verify().ok);
        ledger.reset();
        // The voided letter's item moved onto the live one is found.
        tamper(path, {"UPDATE reconciling_items SET letter = (SELECT MAX(id) FROM letters), "
                      "seq = 1 WHERE kind = '争议'"});
        const LedgerStore::Verification checked = LedgerStore::open(path)->verify();
        QVERIFY(!checked.ok);
        QVERIFY2(checked.problem.contains(QStringLiteral("调节项与操作记录不符")),
                 qPrintable(checked.problem));
    }

    void aFifthVersionLedgerTakesTheStep()
    {
        QString path;
        newLedger(&path)->setValues(
            number(1), {{LetterField::ReplyAmount, "990"}, {LetterField::Result, "不符"}});
        tamper(path, {"DROP TABLE alternative_evidence", "DROP TABLE alternative_procedures",
                      "DROP TABLE reconciling_items", "ALTER TABLE letters DROP COLUMN version",
                      "UPDATE meta SET value = '5' WHERE key = 'schema_version'"});
        auto ledger = LedgerStore::open(path);
        QCOMPARE(ledger->schemaVersion(), LedgerSchema::Current);
        const QStringList copies = LedgerBackup::copiesOf(path).filter(QStringLiteral("升级前"));
        QCOMPARE(copies.size(), 1);
        QCOMPARE(scalar(copies[0], "SELECT value FROM meta WHERE key = 'schema_version'"),
                 QStringLiteral("5"));
        QCOMPARE(ledger->log().last().newValue, QString::number(LedgerSchema::Current));
        QCOMPARE(ledger->toleranceCents(), 0);
        QCOMPARE(resultOf(*ledger, 1), QStringLiteral("不符"));
        ledger->setReconcilingItems(number(1), {item(kTransit, -1000)});
        ledger->setAlternativeProcedure(number(2), procedure(0, QStringLiteral("未能确认")));
        ledger->setToleranceCents(1);
        QCOMPARE(resultOf(*ledger, 1), QStringLiteral("调节后相符"));
        const LedgerStore::Verification checked = ledger->verify();
        QVERIFY2(checked.ok, qPrintable(checked.problem));
    }

    void theCheckFindsChangesMadeOutside_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("named");
        const QString items = QStringLiteral("函证编号 HZ2026-0001 的调节项与操作记录不符");
        const QString procedures = QStringLiteral("函证编号 HZ2026-0002 的替代程序与操作记录不符");
        QTest::newRow("an item's amount")
            << QStringList{"UPDATE reconciling_items SET cents = 1 WHERE seq = 0"} << items;
        QTest::newRow("an item's note")
            << QStringList{"UPDATE reconciling_items SET note = '无' WHERE seq = 1"} << items;
        QTest::newRow("an item taken out")
            << QStringList{"DELETE FROM reconciling_items WHERE seq = 1"} << items;
        QTest::newRow("an item put in")
            << QStringList{"INSERT INTO reconciling_items VALUES (1, 2, '其他', 5, '', '', '')"}
            << items;
        QTest::newRow("items swapped")
            << QStringList{"UPDATE reconciling_items SET seq = 9 WHERE seq = 0",
                           "UPDATE reconciling_items SET seq = 0 WHERE seq = 1",
                           "UPDATE reconciling_items SET seq = 1 WHERE seq = 9"}
            << items;
        QTest::newRow("an item on another letter")
            << QStringList{"INSERT INTO reconciling_items VALUES (3, 0, '其他', 5, '', '', '')"}
            << QStringLiteral("函证编号 HZ2026-0003 的调节项与操作记录不符");
        QTest::newRow("the conclusion")
            << QStringList{"UPDATE alternative_procedures SET conclusion = '替代程序确认', "
                           "covered_cents = 100000"}
            << procedures;
        QTest::newRow("the covered amount")
            << QStringList{"UPDATE alternative_procedures SET covered_cents = 70000"} << procedures;
        QTest::newRow("a procedure taken out")
            << QStringList{"DELETE FROM alternative_evidence", "DELETE FROM alternative_procedures"}
            << procedures;
        QTest::newRow("evidence's reference")
            << QStringList{"UPDATE alternative_evidence SET reference = 'X' WHERE seq = 1"}
            << procedures;
        QTest::newRow("evidence's date")
            << QStringList{"UPDATE alternative_evidence SET evidence_date = '2027-02-01'"}
            << procedures;
        QTest::newRow("evidence taken out")
            << QStringList{"DELETE FROM alternative_evidence WHERE seq = 0"} << procedures;
        QTest::newRow("the tolerance")
            << QStringList{"UPDATE meta SET value = '100000' WHERE key = 'tolerance_cents'"}
            << QStringLiteral("调节容差与操作记录不符");
        QTest::newRow("the tolerance taken out")
            << QStringList{"DELETE FROM meta WHERE key = 'tolerance_cents'"}
            << QStringLiteral("调节容差与操作记录不符");
        QTest::newRow("the result set past the items")
            << QStringList{"UPDATE letters SET result = '调节后相符' WHERE id = 1"}
            << QStringLiteral("“函证结果”为“调节后相符”，操作记录中为“不符”");
    }
    void theCheckFindsChangesMadeOutside()
    {
        QFETCH(QStringList, statements);
        QFETCH(QString, named);
        QString path;
        {
            auto ledger = newLedger(&path);
            ledger->setValues(number(1), {{LetterField::ReplyAmount, "800"}});
            ledger->setReconcilingItems(number(1),
                                        {item(kTransit, -10000, "BR-1"), item(kGoods, -5000)});
            ledger->setAlternativeProcedure(
                number(2),
                procedure(60000, QStringLiteral("部分确认"),
                          {evidence("期后收款", 50000, "HD-1"), evidence("发票", 10000, "FP-1")}));
            ledger->setToleranceCents(300);
            QCOMPARE(resultOf(*ledger, 1), QStringLiteral("不符"));
            QVERIFY(ledger->verify().ok);
        }
        tamper(path, statements);
        const LedgerStore::Verification result = LedgerStore::open(path)->verify();
        QVERIFY(!result.ok);
        QVERIFY2(result.problem.contains(named), qPrintable(result.problem));
        QVERIFY(result.problem.contains(QStringLiteral("函证台账在本程序之外被改动过")));
    }
};

QTEST_GUILESS_MAIN(TestLedgerReconciliation)
#include "test_ledger_reconciliation.moc"
