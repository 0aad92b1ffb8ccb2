// The keyed code on every letter: what it holds, how a code read is judged against the
// ledger's letters, and that the ledger keeps which letters carry one.
#include "control/ReplyList.h"
#include "control/SentLetters.h"
#include "engine/BarcodeSymbol.h"
#include "ledger/LedgerStore.h"
#include "ledger/LetterCode.h"
#include "support/LedgerFixtures.h"

#include <QTemporaryDir>
#include <QTest>

class TestReplyCodes : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    const QByteArray m_key = QByteArray(32, 'k');

    // Letters 1 and 2 printed with keyed codes, 3 with its number alone (before the key).
    QList<LedgerLetter> letters() const
    {
        QList<LedgerLetter> all;
        for (int n : {1, 2, 3}) {
            LedgerLetter letter;
            letter.identity = ledgerLetter(n);
            letter.keyedCode = n != 3;
            all.append(letter);
        }
        return all;
    }
    QString code(int n) const { return LetterCode::content(m_key, ledgerLetter(n)); }

private slots:
    // Any part the checksum covers changes it; the key does too; and it reads back.
    void theChecksumCoversWhatTheLetterSays()
    {
        const LetterIdentity letter = ledgerLetter(7);
        const QString sum = LetterCode::checksum(m_key, letter);
        QCOMPARE(sum.size(), LetterCode::ChecksumLength);
        QCOMPARE(LetterCode::content(m_key, letter), letter.number + QLatin1Char('*') + sum);
        const auto parts = LetterCode::split(LetterCode::content(m_key, letter));
        QVERIFY(parts);
        QCOMPARE(parts->number, letter.number);
        QCOMPARE(parts->checksum, sum);

        QList<LetterIdentity> changed(5, letter);
        changed[0].number = QStringLiteral("HZ2026-0008");
        changed[1].cents = *letter.cents + 1;
        changed[2].cutOff = letter.cutOff.addDays(-1);
        changed[3].customer = QStringLiteral("杭州第8公司");
        changed[4].cents.reset();
        for (const LetterIdentity &other : changed)
            QVERIFY(LetterCode::checksum(m_key, other) != sum);
        QVERIFY(LetterCode::checksum(QByteArray(32, 'x'), letter) != sum);
        // What the letter shows besides does not enter: a reprint keeps its code.
        LetterIdentity reprinted = letter;
        reprinted.fields.append({QStringLiteral("备注"), QStringLiteral("重印")});
        QCOMPARE(LetterCode::checksum(m_key, reprinted), sum);

        for (const QString &notKeyed : {QStringLiteral("HZ2026-0001"), QStringLiteral("*ABCDEFGH"),
                                        QStringLiteral("HZ*ABCDEFG"), QStringLiteral("HZ*abcdefgh"),
                                        QStringLiteral("HZ*ABCDEFG1")})
            QVERIFY2(!LetterCode::split(notKeyed), qPrintable(notKeyed));
        QVERIFY(LetterCode::newKey() != LetterCode::newKey());
        QCOMPARE(LetterCode::newKey().size(), 32);
    }

    // A long number with its checksum still fits the letters' 18 mm code at level M with
    // modules a scanner resolves.
    void theCodeFitsTheShippedSymbol()
    {
        LetterIdentity letter = ledgerLetter(1);
        letter.number = QStringLiteral("HZ-2026-应收-000123");
        const BarcodeSymbol symbol(LetterCode::content(m_key, letter), BarcodeSymbology::QrCode, 1,
                                   2);
        QVERIFY2(18.0 / symbol.width() >= 0.5, qPrintable(QString::number(symbol.width())));
    }

    void codesRead_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("check");
        const QString matched = QStringLiteral("已匹配"), failed = QStringLiteral("校验失败");
        QTest::newRow("keyed, verifies") << QStringList{code(1)} << matched << "HZ2026-0001"
                                         << "有效";
        QTest::newRow("keyed letter, number alone")
            << QStringList{ledgerLetter(1).number} << failed << "HZ2026-0001"
            << "校验失败";
        QTest::newRow("another letter's checksum")
            << QStringList{ledgerLetter(1).number + QLatin1Char('*') +
                           LetterCode::checksum(m_key, ledgerLetter(2))}
            << failed << "HZ2026-0001"
            << "校验失败";
        QTest::newRow("made up") << QStringList{QStringLiteral("HZ2026-0002*AAAAAAAA")} << failed
                                 << "HZ2026-0002"
                                 << "校验失败";
        QTest::newRow("old letter, number alone")
            << QStringList{ledgerLetter(3).number} << matched << "HZ2026-0003"
            << "无校验";
        // Reprinted since the ledger has a key, an old letter carries its keyed code.
        QTest::newRow("old letter reprinted with its keyed code")
            << QStringList{code(3)} << matched << "HZ2026-0003"
            << "有效";
        QTest::newRow("old letter, a checksum it never had")
            << QStringList{QStringLiteral("HZ2026-0003*AAAAAAAA")} << failed << "HZ2026-0003"
            << "校验失败";
        QTest::newRow("unknown number")
            << QStringList{QStringLiteral("HZ2026-0099*AAAAAAAA")} << "未知编号"
            << "HZ2026-0099*AAAAAAAA"
            << "";
        // A forged code beside the true one does not hide it, nor the true one it.
        QTest::newRow("a failing code beside one that verifies")
            << QStringList{QStringLiteral("HZ2026-0002*AAAAAAAA"), code(1)} << matched
            << "HZ2026-0001"
            << "有效";
    }
    void codesRead()
    {
        QFETCH(QStringList, codes);
        QFETCH(QString, state);
        QFETCH(QString, number);
        QFETCH(QString, check);
        ReplyList list(SentLetters::fromLedger(letters(), m_key));
        list.addPage(QStringLiteral("/scans/a.pdf"), 1, codes);
        const ReplyLine &line = list.lines().constFirst();
        QCOMPARE(ReplyList::stateText(line.state), state);
        QCOMPARE(line.number, number);
        QCOMPARE(line.codeCheck, check);
        // Only a verified or an old letter's code answers a letter.
        QCOMPARE(list.unanswered().size(), state == QStringLiteral("已匹配") ? 2 : 3);
        if (state == QStringLiteral("校验失败"))
            QVERIFY(line.note.contains(QStringLiteral("可能是复制、伪造或改动过的二维码")));
    }

    // Letters without a key (a register, a table) match a keyed code by its number.
    void withoutAKeyTheNumberMatches()
    {
        ReplyList list(SentLetters::fromLedger(letters()));
        list.addPage(QStringLiteral("/scans/a.pdf"), 1, {code(2)});
        list.addPage(QStringLiteral("/scans/a.pdf"), 2, {ledgerLetter(1).number});
        QCOMPARE(list.lines()[0].state, ReplyState::Matched);
        QCOMPARE(list.lines()[0].number, ledgerLetter(2).number);
        QCOMPARE(list.lines()[0].codeCheck, QString());
        QCOMPARE(list.lines()[1].state, ReplyState::Matched);
        QVERIFY(list.summary().startsWith(QStringLiteral("已匹配 2")));
    }

    // The ledger keys letters from its first day, keeps which carry a keyed code, and finds
    // that mark changed past the program.
    void theLedgerKeepsItsKeyAndWhichLettersUseIt()
    {
        const QString path = m_dir.filePath(QStringLiteral("keyed.rvledger"));
        {
            auto ledger = LedgerStore::create(path, QStringLiteral("E"));
            QCOMPARE(ledger->codeKey().size(), 32);
            QList<SentPage> pages = ledgerPages(1, 2);
            pages[0].keyedCode = true;
            ledger->recordRun(ledgerRun(), pages);
            QVERIFY(ledger->letter(ledgerLetter(1).number)->keyedCode);
            QVERIFY(!ledger->letter(ledgerLetter(2).number)->keyedCode);
            const SentLetters sent = SentLetters::fromLedger(*ledger);
            QCOMPARE(sent.letters()[0].code,
                     LetterCode::content(ledger->codeKey(), ledgerLetter(1)));
            QVERIFY(!sent.letters()[0].bareNumber);
            QVERIFY(sent.letters()[1].bareNumber);
            QVERIFY(ledger->verify().ok);
            // The key is never written where a reader of the log or the register sees it.
            const QString hex = QString::fromLatin1(ledger->codeKey().toHex());
            for (const LogEntry &entry : ledger->log(QString()))
                QVERIFY(!entry.newValue.contains(hex));
        }
        tamper(path, {"UPDATE letters SET code_keyed = 0"});
        const LedgerStore::Verification changed = LedgerStore::open(path)->verify();
        QVERIFY(!changed.ok);
        QVERIFY2(changed.problem.contains(QStringLiteral("二维码校验方式与发函时的记录不符")),
                 qPrintable(changed.problem));
    }

    // A ledger made before keys gets one on its upgrade; its letters stay unkeyed.
    void anOlderLedgerGetsAKey()
    {
        const QString path = m_dir.filePath(QStringLiteral("v1.rvledger"));
        QVERIFY(QFile::copy(
            qEnvironmentVariable("TESTS_DATA_DIR") + QStringLiteral("/ledger-v1.rvledger"), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        auto ledger = LedgerStore::open(path);
        const QByteArray key = ledger->codeKey();
        QCOMPARE(key.size(), 32);
        QVERIFY(!ledger->letter(ledgerLetter(1).number)->keyedCode);
        ledger.reset();
        QCOMPARE(LedgerStore::open(path)->codeKey(), key);
        ReplyList list(SentLetters::fromLedger(*LedgerStore::open(path)));
        list.addPage(QStringLiteral("/scans/old.pdf"), 1, {ledgerLetter(1).number});
        QCOMPARE(list.lines()[0].codeCheck, QStringLiteral("无校验"));
        QCOMPARE(list.lines()[0].state, ReplyState::Matched);
    }
};

QTEST_GUILESS_MAIN(TestReplyCodes)
#include "test_reply_codes.moc"
