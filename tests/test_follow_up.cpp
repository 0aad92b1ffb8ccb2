// Which letters are chased: their age from the day they left, and the list of those still
// without a reply after the days set, in a real ledger file.

#include "control/FollowUp.h"
#include "ledger/LedgerStore.h"
#include "support/LedgerFixtures.h"

#include <QTemporaryDir>
#include <QtTest>

class TestFollowUp : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void theUnansweredAreChasedOldestFirst()
    {
        auto ledger =
            LedgerStore::create(m_dir.filePath(QStringLiteral("f.rvledger")), QStringLiteral("E"));
        ledger->recordRun(ledgerRun(), ledgerPages(1, 6));
        // The run is today's: dates are counted back from it.
        const QDate today = QDate::currentDate();
        auto sent = [&](int n, int daysAgo) {
            ledger->setValues(
                ledgerLetter(n).number,
                {{LetterField::SendDate, today.addDays(-daysAgo).toString(Qt::ISODate)}});
        };
        sent(1, 18); // chased
        sent(2, 10); // exactly the days set: chased
        sent(3, 9);  // not yet
        sent(4, 19); // a result entered ends the chase
        ledger->setValues(ledgerLetter(4).number, {{LetterField::Result, QStringLiteral("退函")}});
        sent(5, 21); // voided
        ledger->voidLetter(ledgerLetter(5).number, QStringLiteral("地址错误"));
        // Letter 6 has no send date: its run's day, today, stands for it, so it is young.
        const QList<FollowUp::Pending> chased = FollowUp::pending(*ledger, today);
        QCOMPARE(chased.size(), 2);
        QCOMPARE(chased[0].letter.identity.number, ledgerLetter(1).number);
        QCOMPARE(chased[0].age, 18);
        QCOMPARE(chased[1].letter.identity.number, ledgerLetter(2).number);
        QCOMPARE(chased[1].age, 10);
        // Other days set: 9 takes letter 3 in too.
        QCOMPARE(FollowUp::pending(*ledger, today, 9).size(), 3);

        // The run's day stands in for a missing send date.
        QHash<qint64, QDateTime> runs;
        for (const LedgerRun &run : ledger->runs())
            runs.insert(run.id, run.at);
        const LedgerLetter sixth = *ledger->letter(ledgerLetter(6).number);
        QCOMPARE(FollowUp::sentOn(sixth, runs), today);
        QCOMPARE(FollowUp::age(sixth, runs, today.addDays(12)), 12);
        QCOMPARE(FollowUp::age(sixth, {}, today), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestFollowUp)
#include "test_follow_up.moc"
