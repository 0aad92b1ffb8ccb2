// How waybills pair with letters before they are kept, the dispatch details set for many
// letters at once and the 待催收 table, on real ledger files.

#include "control/DispatchDetails.h"
#include "control/FollowUpModel.h"
#include "control/WaybillPairing.h"
#include "ledger/LedgerStore.h"
#include "support/LedgerFixtures.h"
#include "support/MessageOf.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
QString number(int n)
{
    return ledgerLetter(n).number;
}
} // namespace

class TestDispatchControl : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_made = 0;

    // A ledger of letters 1 to 4; letter 2 went with SF100000002, letter 3 with SF100000003.
    std::unique_ptr<LedgerStore> ledger()
    {
        auto made = LedgerStore::create(m_dir.filePath(QStringLiteral("%1.rvledger").arg(++m_made)),
                                        QStringLiteral("E"));
        made->recordRun(ledgerRun(), ledgerPages(1, 4));
        made->setValuesOf({{number(2), {{LetterField::Waybill, QStringLiteral("SF100000002")}}},
                           {number(3), {{LetterField::Waybill, QStringLiteral("SF100000003")}}}},
                          QStringLiteral("修改"));
        return made;
    }

private slots:
    void initTestCase() { LedgerStore::setUserName(QStringLiteral("审计员甲")); }

    void scanPairsInOrder_data()
    {
        QTest::addColumn<QList<int>>("letters");
        QTest::addColumn<QStringList>("waybills");
        QTest::addColumn<QStringList>("notes"); // a row each
        QTest::addColumn<int>("pairs");
        QTest::addColumn<QString>("summary"); // a sorting code read besides makes a row
        QTest::newRow("as many, one kept, one replaced")
            << QList<int>{1, 2, 3} << QStringList{"SF100000001", "SF100000002", "SF100000009"}
            << QStringList{QString(), QStringLiteral("已登记，不变"),
                           QStringLiteral("替换原快递单号 SF100000003")}
            << 3 << QStringLiteral("3 封询证函配上了快递单号，1 行未配对（不保存）。");
        QTest::newRow("a letter more")
            << QList<int>{1, 4} << QStringList{"SF100000001"}
            << QStringList{QString(), QStringLiteral("没有读到对应的快递单")} << 1
            << QStringLiteral("1 封询证函配上了快递单号，2 行未配对（不保存）。选中了 2 封询证函，"
                              "读到 1 个运单号：按顺序配对后，1 封询证函没有运单号（HZ2026-0004）。"
                              "请核对选中的询证函和扫描的面单。");
        QTest::newRow("a waybill more")
            << QList<int>{4} << QStringList{"SF100000004", "SF100000005"}
            << QStringList{QString(), QStringLiteral("多出的快递单，没有对应的询证函")} << 1
            << QStringLiteral("1 封询证函配上了快递单号，2 行未配对（不保存）。选中了 1 封询证函，"
                              "读到 2 个运单号：按顺序配对后，1 个运单号没有对应的询证函"
                              "（SF100000005）。请核对选中的询证函和扫描的面单。");
    }
    void scanPairsInOrder()
    {
        QFETCH(QList<int>, letters);
        QFETCH(QStringList, waybills);
        QFETCH(QStringList, notes);
        QFETCH(int, pairs);
        QFETCH(QString, summary);
        auto store = ledger();
        QList<LedgerLetter> chosen;
        for (int n : letters)
            chosen.append(*store->letter(number(n)));
        // A sorting code read beside the labels is shown, never saved.
        const WaybillPairing pairing =
            WaybillPairing::fromScan(chosen, {waybills, {QStringLiteral("R12")}});
        QStringList seen;
        for (const WaybillPairing::Row &row : pairing.rows())
            seen.append(row.note);
        QCOMPARE(seen, notes + QStringList{QStringLiteral("不是快递单号，未使用")});
        QCOMPARE(pairing.pairCount(), pairs);
        QCOMPARE(pairing.summary(), summary);
        QCOMPARE(pairing.save(*store, QStringLiteral("扫描快递单")), QStringList());
        for (int i = 0; i < pairs; ++i)
            QCOMPARE(store->letter(number(letters[i]))->value(LetterField::Waybill), waybills[i]);
        QVERIFY(store->verify().ok);
    }

    void savingKeepsAllOrNothing()
    {
        auto store = ledger();
        // Nothing pairs: nothing to save, said so.
        const WaybillPairing none = WaybillPairing::fromScan({*store->letter(number(1))}, {});
        QCOMPARE(messageOf([&] { none.save(*store, QStringLiteral("扫描快递单")); }),
                 QStringLiteral("没有可以保存的快递单号"));
        // A waybill of letter 2 for letter 4: the free one for letter 1 is not kept either.
        const qint64 logged = store->logSize();
        const WaybillPairing clash =
            WaybillPairing::fromImport(*store, {{number(1), QStringLiteral("SF100000007"), 2},
                                                {number(4), QStringLiteral("SF100000002"), 3}});
        QCOMPARE(messageOf([&] { clash.save(*store, QStringLiteral("导入快递单号")); }),
                 QStringLiteral("快递单号“SF100000002”已登记在函证编号 HZ2026-0002 的询证函上，"
                                "不能再用于函证编号 HZ2026-0004"));
        QCOMPARE(store->letter(number(1))->value(LetterField::Waybill), QString());
        QCOMPARE(store->logSize(), logged);
        // A letter voided between the pairing shown and saved: the others are kept, it named.
        const WaybillPairing later =
            WaybillPairing::fromImport(*store, {{number(1), QStringLiteral("SF100000007"), 2},
                                                {number(4), QStringLiteral("SF100000008"), 3}});
        store->voidLetter(number(4), QStringLiteral("退回重寄"));
        QCOMPARE(later.save(*store, QStringLiteral("导入快递单号")), QStringList{number(4)});
        QCOMPARE(store->letter(number(1))->value(LetterField::Waybill),
                 QStringLiteral("SF100000007"));
        QCOMPARE(store->lettersNumbered(number(4))[0].value(LetterField::Waybill), QString());
    }

    void sentDetailsForMany()
    {
        auto store = ledger();
        const qint64 logged = store->logSize();
        QCOMPARE(messageOf([&] {
                     DispatchDetails::setSent(*store, {number(1)}, QStringLiteral("  "), QDate());
                 }),
                 QStringLiteral("请填写发函方式或发函日期"));
        QCOMPARE(messageOf([&] {
                     DispatchDetails::setSent(*store, {}, QStringLiteral("快递"), QDate());
                 }),
                 QStringLiteral("请先在列表中选择询证函"));
        QCOMPARE(store->logSize(), logged);
        store->voidLetter(number(4), QStringLiteral("作废"));
        QCOMPARE(DispatchDetails::setSent(*store, {number(1), number(4), number(3)},
                                          QStringLiteral("电子邮件"), QDate(2027, 1, 6)),
                 QStringList{number(4)});
        for (int n : {1, 3}) {
            QCOMPARE(store->letter(number(n))->value(LetterField::SendMethod),
                     QStringLiteral("电子邮件"));
            QCOMPARE(store->letter(number(n))->value(LetterField::SendDate),
                     QStringLiteral("2027-01-06"));
        }
        // A check without a way is refused before any letter is touched.
        QCOMPARE(messageOf([&] {
                     DispatchDetails::checkAddresses(
                         *store, {number(1), number(2)},
                         {{}, QStringLiteral("甲"), QString(), QDate(2027, 1, 6), {}});
                 }),
                 QStringLiteral("核实地址须写明核实人、核实方式和日期"));
        QCOMPARE(store->addressChecks().size(), 0);
    }

    void followUpRowsAndNumbers()
    {
        auto store = ledger();
        const QDate today = QDate::currentDate();
        store->setValues(number(2),
                         {{LetterField::SendDate, today.addDays(-30).toString(Qt::ISODate)}});
        store->setValues(number(3),
                         {{LetterField::SendDate, today.addDays(-11).toString(Qt::ISODate)}});
        FollowUpModel model;
        model.setStore(store.get(), today, 10);
        QCOMPARE(model.numbers(), (QStringList{number(2), number(3)}));
        QCOMPARE(model.numbers({1, 0, 7}), (QStringList{number(3), number(2)}));
        QCOMPARE(model.index(0, FollowUpModel::SendDate).data().toString(),
                 today.addDays(-30).toString(Qt::ISODate));
        QCOMPARE(model.index(0, FollowUpModel::Waybill).data().toString(),
                 QStringLiteral("SF100000002"));
        // Letters without a send date are dated by their run, today: counted from 0 days.
        model.setStore(store.get(), today, 0);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.index(3, FollowUpModel::SendDate).data().toString(),
                 today.toString(Qt::ISODate));
        QCOMPARE(model.index(3, FollowUpModel::Age).data().toInt(), 0);
        model.setStore(nullptr, today, 10);
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_MAIN(TestDispatchControl)
#include "test_dispatch_control.moc"
