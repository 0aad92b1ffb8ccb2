// Second requests made out of a real ledger: their numbers, the table the letter run reads
// for them, and the letters that need none.

#include "control/SecondRequests.h"
#include "ledger/LedgerStore.h"
#include "support/LedgerFixtures.h"
#include "support/MessageOf.h"
#include "support/ScanMaker.h"
#include "table/StringGridModel.h"

#include <QTemporaryDir>
#include <QtTest>

class TestSecondRequests : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void theTableNamesTheFirstLetters()
    {
        auto ledger =
            LedgerStore::create(m_dir.filePath(QStringLiteral("s.rvledger")), QStringLiteral("E"));
        ledger->recordRun(ledgerRun(), ledgerPages(1, 3));
        const QString first = ledgerLetter(1).number;
        ledger->setValues(first, {{LetterField::SendDate, QStringLiteral("2027-01-05")}});
        QCOMPARE(SecondRequests::numberFor(*ledger, first), first + QStringLiteral("-2"));
        // A second request sent already, even voided, keeps its number: the next takes -3.
        SentPage second{ledgerLetter(1), QByteArray(64, 'd'), first};
        second.identity.number = first + QStringLiteral("-2");
        ledger->recordRun(ledgerRun(), {second});
        ledger->voidLetter(second.identity.number, QStringLiteral("寄错"));
        QCOMPARE(SecondRequests::numberFor(*ledger, first), first + QStringLiteral("-3"));

        StringGridModel table;
        SecondRequests::fill(table, *ledger,
                             {*ledger->letter(first), *ledger->letter(ledgerLetter(2).number)},
                             scanSettings());
        QCOMPARE(table.RowCount(), 3);
        QCOMPARE(table.Cells(3, 0), QStringLiteral("函编号"));
        QCOMPARE(table.Cells(4, 0), SecondRequests::FirstNumber);
        QCOMPARE(table.Cells(5, 0), SecondRequests::FirstDate);
        QCOMPARE(table.Cells(6, 0), QStringLiteral("地址"));
        QCOMPARE(table.Cells(0, 1), ledgerLetter(1).customer);
        QCOMPARE(table.Cells(1, 1), QStringLiteral("2026-12-31"));
        QCOMPARE(table.Cells(2, 1), QStringLiteral("1000"));
        QCOMPARE(table.Cells(3, 1), first + QStringLiteral("-3"));
        QCOMPARE(table.Cells(4, 1), first);
        QCOMPARE(table.Cells(5, 1), QStringLiteral("2027-1-5"));
        QCOMPARE(table.Cells(6, 1), QStringLiteral("西湖路1号"));
        // Without a send date, the day its run recorded it stands in.
        QVERIFY(!table.Cells(5, 2).isEmpty());

        LetterIdentity shown = ledgerLetter(1);
        QCOMPARE(SecondRequests::followsOf(shown), QString());
        shown.fields.append({SecondRequests::FirstNumber, QStringLiteral(" %1 ").arg(first)});
        QCOMPARE(SecondRequests::followsOf(shown), first);
    }

    void aLetterAnsweredNeedsNone()
    {
        auto ledger =
            LedgerStore::create(m_dir.filePath(QStringLiteral("a.rvledger")), QStringLiteral("E"));
        ledger->recordRun(ledgerRun(), ledgerPages(1, 2));
        ledger->setValues(ledgerLetter(2).number, {{LetterField::Result, QStringLiteral("相符")}});
        StringGridModel table;
        const QString error = messageOf([&] {
            SecondRequests::fill(table, *ledger, {*ledger->letter(ledgerLetter(2).number)},
                                 scanSettings());
        });
        QVERIFY2(error.contains(QStringLiteral("已有回函或函证结果，不需要第二次询证函")),
                 qPrintable(error));
    }
};

QTEST_MAIN(TestSecondRequests)
#include "test_second_requests.moc"
