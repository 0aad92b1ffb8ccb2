// Selections kept in the ledger: written whole or not at all, read back as written, extended
// without losing a pick, and any change made past the program found by the check.

#include "ledger/LedgerSchema.h"
#include "ledger/LedgerStore.h"
#include "ledger/LetterRecordText.h"
#include "ledger/PopulationHash.h"
#include "platform/Exception.h"
#include "support/LedgerFixtures.h"
#include "support/MessageOf.h"
#include "support/SelectionFixtures.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestLedgerSelections : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;

    std::unique_ptr<LedgerStore> newLedger(QString *path = nullptr)
    {
        const QString file = m_dir.filePath(QStringLiteral("s%1.rvledger").arg(++m_files));
        if (path)
            *path = file;
        return LedgerStore::create(file, QStringLiteral("选样测试"));
    }

private slots:
    void hashIsTheDocumentedRule()
    {
        // Trimmed texts joined by tabs, each row ending in a newline, UTF-8: what a reviewer
        // can recompute from the register without this program.
        PopulationHash hash;
        hash.addRow(u" 甲公司 ", u"2026-12-31", u"1,000.00", u"WL-1");
        hash.addRow(u"乙", u"", u"-5", u"");
        QCOMPARE(hash.hex(),
                 QCryptographicHash::hash(
                     QStringLiteral("甲公司\t2026-12-31\t1,000.00\tWL-1\n乙\t\t-5\t\n").toUtf8(),
                     QCryptographicHash::Sha256)
                     .toHex());
    }

    void selectionReadsBackAsRecorded()
    {
        auto ledger = newLedger();
        const QList<SelectionPick> picks{{7, PickReason::Key, -1, 0},
                                         {2, PickReason::Sampled, 150000, 0},
                                         {0, PickReason::Manual, -1, 0}};
        const qint64 id =
            ledger->recordSelection(selectionOf(10, picks), [](int i) { return populationRow(i); });
        const auto kept = ledger->selection(id);
        QVERIFY(kept);
        QCOMPARE(kept->rowCount, 10);
        QCOMPARE(kept->totalCents, selectionOf(10, {}).totalCents);
        QCOMPARE(kept->seed, QStringLiteral("123456789"));
        QCOMPARE(kept->picks, picks); // in the order chosen, not by row
        QCOMPARE(kept->rounds.size(), 1);
        QCOMPARE(kept->rounds[0].user, LedgerStore::userName());
        QVERIFY(kept->rounds[0].time.isValid());
        QCOMPARE(kept->rounds[0].drawsAfter, 1);
        QCOMPARE(ledger->population(id).size(), 10);
        QCOMPARE(ledger->population(id).at(3), populationRow(3));

        // Each pick is an entry of the log, saying why and which row.
        const QList<LogEntry> log = ledger->log(QStringLiteral("选样 %1").arg(id));
        QCOMPARE(log.size(), 4);
        QCOMPARE(log[0].action, QStringLiteral("选样"));
        QCOMPARE(log[2].action, QStringLiteral("选中"));
        QVERIFY2(LetterRecordText::readableValue(log[2]).contains(
                     QStringLiteral("抽样：总体第 3 行 WL-2")),
                 qPrintable(LetterRecordText::readableValue(log[2])));
        QVERIFY(LetterRecordText::readableValue(log[2]).contains(QStringLiteral("1500.00")));
        QVERIFY(ledger->verify().ok);
    }

    void aLargePopulationIsKeptWhole()
    {
        // More rows than go in one statement, and not a whole number of statements.
        auto ledger = newLedger();
        const qint64 id = ledger->recordSelection(selectionOf(600, {{599, PickReason::Key, -1, 0}}),
                                                  [](int i) { return populationRow(i); });
        const QList<PopulationRow> kept = ledger->population(id);
        QCOMPARE(kept.size(), 600);
        for (int i : {0, 255, 256, 511, 512, 599})
            QCOMPARE(kept[i], populationRow(i));
        QVERIFY(ledger->verify().ok);
    }

    void extensionKeepsEveryEarlierPick()
    {
        auto ledger = newLedger();
        const qint64 id = ledger->recordSelection(
            selectionOf(10, {{1, PickReason::Sampled, 100, 0}, {4, PickReason::Sampled, 900, 0}}),
            [](int i) { return populationRow(i); });
        SelectionRound more;
        more.round = 1;
        more.parameters = QStringLiteral("{\"added\":2}");
        more.drawsAfter = 3;
        ledger->extendSelection(
            id, more, {{6, PickReason::Sampled, 1300, 0}, {9, PickReason::Manual, -1, 0}});
        const LedgerSelection kept = *ledger->selection(id);
        QCOMPARE(kept.rounds.size(), 2);
        QCOMPARE(kept.rounds[1].round, 1);
        QCOMPARE(kept.rounds[1].drawsAfter, 3);
        QCOMPARE(kept.picks.size(), 4);
        QCOMPARE(kept.picks[0].position, 1);
        QCOMPARE(kept.picks[3].position, 9);
        QCOMPARE(kept.picks[3].round, 1);
        const LedgerStore::Verification check = ledger->verify();
        QVERIFY2(check.ok, qPrintable(check.problem));
    }

    void wrongPicksAreRefusedWhole_data()
    {
        QTest::addColumn<QList<SelectionPick>>("picks");
        QTest::addColumn<QString>("message");
        QTest::newRow("a row picked before")
            << QList<SelectionPick>{{5, PickReason::Manual, -1, 0}, {1, PickReason::Manual, -1, 0}}
            << "总体第 2 行已选中过";
        QTest::newRow("the same row twice in one round")
            << QList<SelectionPick>{{6, PickReason::Manual, -1, 0}, {6, PickReason::Manual, -1, 0}}
            << "总体第 7 行已选中过";
        QTest::newRow("past the population")
            << QList<SelectionPick>{{10, PickReason::Manual, -1, 0}} << "没有第 11 行";
        // Drawn from the selection as it was before an extension kept meanwhile: its draws
        // would repeat that extension's.
        QTest::newRow("extended meanwhile")
            << QList<SelectionPick>{{8, PickReason::Sampled, 5, 0}} << "已在别处扩大过";
    }
    void wrongPicksAreRefusedWhole()
    {
        QFETCH(QList<SelectionPick>, picks);
        QFETCH(QString, message);
        auto ledger = newLedger();
        const qint64 id = ledger->recordSelection(selectionOf(10, {{1, PickReason::Key, -1, 0}}),
                                                  [](int i) { return populationRow(i); });
        if (QByteArray(QTest::currentDataTag()) == "extended meanwhile") {
            SelectionRound other;
            other.round = 1;
            ledger->extendSelection(id, other, {{7, PickReason::Manual, -1, 0}});
        }
        const qint64 logSize = ledger->logSize();
        const int rounds = int(ledger->selection(id)->rounds.size());
        const qsizetype picked = ledger->selection(id)->picks.size();
        SelectionRound more;
        more.round = 1;
        const QString error = messageOf([&] { ledger->extendSelection(id, more, picks); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(ledger->logSize(), logSize);
        QCOMPARE(ledger->selection(id)->rounds.size(), rounds);
        QCOMPARE(ledger->selection(id)->picks.size(), picked);
    }

    void aSelectionWithARepeatedPickLeavesNothing()
    {
        auto ledger = newLedger();
        const qint64 logSize = ledger->logSize();
        const QString error = messageOf([&] {
            ledger->recordSelection(
                selectionOf(5, {{2, PickReason::Key, -1, 0}, {2, PickReason::Manual, -1, 0}}),
                [](int i) { return populationRow(i); });
        });
        QVERIFY2(error.contains(QStringLiteral("总体第 3 行已选中过")), qPrintable(error));
        QVERIFY(ledger->selections().isEmpty());
        QCOMPARE(ledger->logSize(), logSize);
        const QString outside = messageOf([&] {
            ledger->recordSelection(selectionOf(5, {{5, PickReason::Key, -1, 0}}),
                                    [](int i) { return populationRow(i); });
        });
        QVERIFY2(outside.contains(QStringLiteral("没有第 6 行")), qPrintable(outside));
        QVERIFY(ledger->selections().isEmpty());
        QCOMPARE(scalar(ledger->path(), QStringLiteral("SELECT COUNT(*) FROM selection_rows")),
                 QStringLiteral("0"));
    }

    void changesPastTheProgramAreFound_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("named");
        QTest::newRow("a pick's reason")
            << QStringList{"UPDATE selection_picks SET reason = '重要项目' WHERE position = 4"}
            << "第 1 次选样的记录与操作记录不符";
        QTest::newRow("a pick removed")
            << QStringList{"DELETE FROM selection_picks WHERE position = 4"}
            << "第 1 次选样的记录与操作记录不符";
        QTest::newRow("a pick added")
            << QStringList{"INSERT INTO selection_picks VALUES (1, 8, 0, '手工', -1, 9)"}
            << "第 1 次选样的记录与操作记录不符";
        QTest::newRow("the seed") << QStringList{"UPDATE selections SET seed = '1'"}
                                  << "第 1 次选样的记录与操作记录不符";
        QTest::newRow("a population row")
            << QStringList{"UPDATE selection_rows SET amount = '1.00' WHERE position = 3"}
            << "第 1 次选样的总体与选样时的记录不符";
        QTest::newRow("an amount as read")
            << QStringList{"UPDATE selection_rows SET cents = 1 WHERE position = 3"}
            << "第 1 次选样的记录与操作记录不符";
        QTest::newRow("who extended")
            << QStringList{"UPDATE selection_rounds SET username = 'x' WHERE round = 1"}
            << "第 1 次选样的记录与操作记录不符";
        QTest::newRow("a round taken out")
            << QStringList{"DELETE FROM selection_rounds WHERE round = 1"}
            << "第 1 次选样的记录与操作记录不符";
        QTest::newRow("a round renumbered")
            << QStringList{"UPDATE selection_rounds SET round = 5 WHERE round = 2"}
            << "第 1 次选样的记录与操作记录不符";
        QTest::newRow("a selection removed")
            << QStringList{"DELETE FROM selection_picks", "DELETE FROM selection_rounds",
                           "DELETE FROM selection_rows", "DELETE FROM selections"}
            << "选样的次数与操作记录不符";
    }
    void changesPastTheProgramAreFound()
    {
        QFETCH(QStringList, statements);
        QFETCH(QString, named);
        QString path;
        {
            auto ledger = newLedger(&path);
            const qint64 id =
                ledger->recordSelection(selectionOf(6, {{4, PickReason::Sampled, 5000, 0}}),
                                        [](int i) { return populationRow(i); });
            for (int round : {1, 2}) {
                SelectionRound more;
                more.round = round;
                ledger->extendSelection(id, more, {{round, PickReason::Manual, -1, 0}});
            }
            QVERIFY(ledger->verify().ok);
        }
        tamper(path, statements);
        const LedgerStore::Verification result = LedgerStore::open(path)->verify();
        QVERIFY(!result.ok);
        QVERIFY2(result.problem.contains(named), qPrintable(result.problem));
    }

    // A ledger of the first version, brought up to this one, takes selections.
    void anOlderLedgerTakesSelections()
    {
        const QString path = m_dir.filePath(QStringLiteral("v1.rvledger"));
        QVERIFY(QFile::copy(
            qEnvironmentVariable("TESTS_DATA_DIR") + QStringLiteral("/ledger-v1.rvledger"), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        auto ledger = LedgerStore::open(path);
        QCOMPARE(ledger->schemaVersion(), LedgerSchema::Current);
        ledger->recordSelection(selectionOf(3, {{0, PickReason::Key, -1, 0}}),
                                [](int i) { return populationRow(i); });
        QCOMPARE(ledger->selections().size(), 1);
        QVERIFY(ledger->verify().ok);
    }
};

QTEST_GUILESS_MAIN(TestLedgerSelections)
#include "test_ledger_selections.moc"
