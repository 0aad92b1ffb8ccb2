// Dispatch in real ledger files: a waybill goes with one letter, messages sent by e-mail
// and addresses checked are kept with their log entries, and a change past the program
// is found by the check.

#include "ledger/LedgerSchema.h"
#include "ledger/LedgerStore.h"
#include "ledger/LetterRecordText.h"
#include "support/LedgerFixtures.h"
#include "support/MessageOf.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
MessageRecord message(int letter, const QString &state = QStringLiteral("已发送"))
{
    MessageRecord sent;
    sent.number = ledgerLetter(letter).number;
    sent.kind = QStringLiteral("询证函");
    sent.recipient = QStringLiteral("caiwu%1@example.cn").arg(letter);
    sent.subject = QStringLiteral("询证函 %1").arg(sent.number);
    sent.messageId = QStringLiteral("<%1@audit.example.cn>").arg(letter);
    sent.state = state;
    sent.serverReply = state == QStringLiteral("已发送") ? QStringLiteral("250 2.0.0 OK")
                                                         : QStringLiteral("550 no such user");
    return sent;
}

// Letter n sent with an address and its page PDF, hashed as the ledger takes it.
SentPage mailedPage(int n, const QString &email, const QByteArray &pdf = {})
{
    SentPage page;
    page.identity = ledgerLetter(n);
    page.pdf = pdf.isEmpty() ? QByteArray("%PDF-1.4 letter ") + QByteArray::number(n) : pdf;
    page.pageSha256 = QCryptographicHash::hash(page.pdf, QCryptographicHash::Sha256).toHex();
    page.contacts = {{LetterField::Email, email}};
    return page;
}
} // namespace

class TestLedgerDispatch : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;

    std::unique_ptr<LedgerStore> newLedger(QString *path = nullptr)
    {
        const QString file = m_dir.filePath(QStringLiteral("d%1.rvledger").arg(++m_files));
        if (path)
            *path = file;
        auto ledger = LedgerStore::create(file, QStringLiteral("发函测试"));
        ledger->recordRun(ledgerRun(), ledgerPages(1, 4));
        return ledger;
    }

private slots:
    void aWaybillGoesWithOneLetter()
    {
        auto ledger = newLedger();
        const QString first = ledgerLetter(1).number, second = ledgerLetter(2).number;
        ledger->setValues(first, {{LetterField::Waybill, QStringLiteral(" sf 1234 5678 ")}});
        QCOMPARE(ledger->letter(first)->value(LetterField::Waybill), QStringLiteral("SF12345678"));
        const qint64 logSize = ledger->logSize();
        // The same waybill typed otherwise is the same waybill.
        const QString error = messageOf([&] {
            ledger->setValues(second, {{LetterField::Waybill, QStringLiteral("SF1234 5678")}});
        });
        QVERIFY2(
            error.contains(QStringLiteral("快递单号“SF12345678”已登记在函证编号 %1").arg(first)),
            qPrintable(error));
        QCOMPARE(ledger->letter(second)->value(LetterField::Waybill), QString());
        QCOMPARE(ledger->logSize(), logSize);
        // Setting it again on its own letter changes nothing; a voided letter frees it.
        ledger->setValues(first, {{LetterField::Waybill, QStringLiteral("SF12345678")}});
        ledger->voidLetter(first, QStringLiteral("退回重寄"));
        ledger->setValues(second, {{LetterField::Waybill, QStringLiteral("SF12345678")}});
        QCOMPARE(ledger->letter(second)->value(LetterField::Waybill), QStringLiteral("SF12345678"));
        QVERIFY(ledger->verify().ok);
    }

    void messagesAreKeptAndLogged()
    {
        auto ledger = newLedger();
        ledger->recordMessages({message(1), message(2, QStringLiteral("发送失败"))});
        ledger->recordMessages({message(2)});
        const QList<MessageRecord> kept = ledger->messages(ledgerLetter(2).number);
        QCOMPARE(kept.size(), 2);
        QCOMPARE(kept[0].state, QStringLiteral("发送失败"));
        QCOMPARE(kept[1].state, QStringLiteral("已发送"));
        QCOMPARE(kept[1].messageId, QStringLiteral("<2@audit.example.cn>"));
        QVERIFY(kept[1].at.isValid());
        QCOMPARE(ledger->messages().size(), 3);
        const QList<LogEntry> log = ledger->log(ledgerLetter(2).number);
        QCOMPARE(log.last().action, QStringLiteral("邮件"));
        QVERIFY2(LetterRecordText::readableValue(log.last())
                     .contains(QStringLiteral("询证函 → caiwu2@example.cn：已发送")),
                 qPrintable(LetterRecordText::readableValue(log.last())));
        QVERIFY(ledger->verify().ok);

        // A message to a letter not in the ledger keeps nothing of the batch.
        const qint64 logSize = ledger->logSize();
        MessageRecord stray = message(3);
        stray.number = QStringLiteral("HZ-无此函");
        const QString error = messageOf([&] { ledger->recordMessages({message(3), stray}); });
        QVERIFY2(error.contains(QStringLiteral("HZ-无此函")), qPrintable(error));
        QCOMPARE(ledger->messages().size(), 3);
        QCOMPARE(ledger->logSize(), logSize);
    }

    void addressChecksAreKept()
    {
        auto ledger = newLedger();
        ledger->checkAddress({ledgerLetter(3).number, QStringLiteral("张三"),
                              QStringLiteral("电话核实"), QDate(2027, 1, 4),
                              QStringLiteral("财务部李会计确认")});
        const QList<AddressCheck> checks = ledger->addressChecks(ledgerLetter(3).number);
        QCOMPARE(checks.size(), 1);
        QCOMPARE(checks[0].by, QStringLiteral("张三"));
        QCOMPARE(checks[0].on, QDate(2027, 1, 4));
        QVERIFY(ledger->addressChecks(ledgerLetter(1).number).isEmpty());
        const QString error = messageOf([&] {
            ledger->checkAddress({ledgerLetter(1).number, QString(), QStringLiteral("官网"),
                                  QDate(2027, 1, 4), QString()});
        });
        QVERIFY2(error.contains(QStringLiteral("核实人")), qPrintable(error));

        // Several letters are checked all or none: a number not in the ledger keeps none.
        const qint64 logSize = ledger->logSize();
        const QString unknown = messageOf([&] {
            ledger->checkAddresses({{ledgerLetter(1).number, QStringLiteral("张三"),
                                     QStringLiteral("官网"), QDate(2027, 1, 5), QString()},
                                    {QStringLiteral("HZ-无此函"), QStringLiteral("张三"),
                                     QStringLiteral("官网"), QDate(2027, 1, 5), QString()}});
        });
        QVERIFY2(unknown.contains(QStringLiteral("HZ-无此函")), qPrintable(unknown));
        QVERIFY(ledger->addressChecks(ledgerLetter(1).number).isEmpty());
        QCOMPARE(ledger->logSize(), logSize);

        // A check belongs to the letter it was made for: the letter sent again in place of a
        // voided one shares its number, not its check.
        const qint64 checked = ledger->letter(ledgerLetter(3).number)->id;
        ledger->voidLetter(ledgerLetter(3).number, QStringLiteral("地址有误，重发"));
        LetterIdentity again = ledgerLetter(3);
        again.customer += QStringLiteral("（新址）");
        ledger->recordRun(ledgerRun(), {{again, QByteArray(64, 'b'), QString()}});
        QCOMPARE(ledger->addressChecks(ledgerLetter(3).number).size(), 1);
        QCOMPARE(ledger->addressChecks(ledgerLetter(3).number)[0].letter, checked);
        QVERIFY(ledger->letter(ledgerLetter(3).number)->id != checked);
        QVERIFY(ledger->verify().ok);
    }

    void changesPastTheProgramAreFound_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("named");
        QTest::newRow("a failed message made sent")
            << QStringList{"UPDATE messages SET state = '已发送' WHERE state = '发送失败'"}
            << "邮件发送记录与操作记录不符";
        QTest::newRow("a message removed")
            << QStringList{"DELETE FROM messages WHERE id = 1"} << "邮件发送记录与操作记录不符";
        QTest::newRow("who checked the address")
            << QStringList{"UPDATE address_checks SET checked_by = '李四'"}
            << "地址核实记录与操作记录不符";
        QTest::newRow("a kept PDF changed")
            << QStringList{"UPDATE letter_pdfs SET pdf = X'25504446'"}
            << "保存的PDF与发函时的校验值不符";
        QTest::newRow("a kept PDF swapped for another page")
            << QStringList{"UPDATE letter_pdfs SET page_sha256 = (SELECT page_sha256 FROM "
                           "letters WHERE id = 1)"}
            << "保存的PDF与发函时的校验值不符";
        QTest::newRow("an address changed")
            << QStringList{"UPDATE letters SET email = 'other@example.cn' WHERE email <> ''"}
            << "“邮箱”为“other@example.cn”";
    }
    void changesPastTheProgramAreFound()
    {
        QFETCH(QStringList, statements);
        QFETCH(QString, named);
        QString path;
        {
            auto ledger = newLedger(&path);
            ledger->recordMessages({message(1), message(2, QStringLiteral("发送失败"))});
            ledger->checkAddress({ledgerLetter(3).number, QStringLiteral("张三"),
                                  QStringLiteral("工商信息"), QDate(2027, 1, 4), QString()});
            ledger->recordRun(ledgerRun(), {mailedPage(5, QStringLiteral("caiwu5@example.cn"))});
            QVERIFY(ledger->verify().ok);
        }
        tamper(path, statements);
        const LedgerStore::Verification result = LedgerStore::open(path)->verify();
        QVERIFY(!result.ok);
        QVERIFY2(result.problem.contains(named), qPrintable(result.problem));
    }

    // A letter printed with an address keeps it; every letter keeps its very PDF; an address
    // corrected in the ledger survives a reprint.
    void addressesAndPdfsAreKept()
    {
        auto ledger = newLedger();
        const QString mailed = ledgerLetter(5).number, plain = ledgerLetter(6).number;
        const SentPage first = mailedPage(5, QStringLiteral(" caiwu5@example.cn "));
        ledger->recordRun(ledgerRun(), {first, mailedPage(6, QString())});
        QCOMPARE(ledger->letter(mailed)->value(LetterField::Email),
                 QStringLiteral("caiwu5@example.cn"));
        QCOMPARE(ledger->letterPdf(mailed), first.pdf);
        QCOMPARE(ledger->letterPdf(plain), mailedPage(6, QString()).pdf);
        QCOMPARE(ledger->numbersWithPdf(), (QStringList{mailed, plain}));
        QCOMPARE(ledger->log(mailed).constLast().field, QStringLiteral("邮箱"));

        ledger->setValues(mailed, {{LetterField::Email, QStringLiteral("zhang@example.cn")}});
        QCOMPARE(ledger->log(mailed).constLast().action, QStringLiteral("修改"));
        // The reprint's own page (made at another second) is a page the ledger hashed too.
        ledger->recordRun(ledgerRun(),
                          {mailedPage(5, QStringLiteral("caiwu5@example.cn"), "%PDF-1.4 reprinted"),
                           mailedPage(6, QStringLiteral("li@example.cn"))});
        QCOMPARE(ledger->letter(mailed)->value(LetterField::Email),
                 QStringLiteral("zhang@example.cn"));
        QCOMPARE(ledger->letterPdf(mailed), first.pdf);
        QCOMPARE(ledger->letter(plain)->value(LetterField::Email), QStringLiteral("li@example.cn"));
        QCOMPARE(ledger->letterPdf(plain), mailedPage(6, QString()).pdf);
        QVERIFY(ledger->verify().ok);
        // A voided letter's PDF is not offered.
        ledger->voidLetter(plain, QStringLiteral("地址有误"));
        QCOMPARE(ledger->numbersWithPdf(), QStringList{mailed});
    }

    void aRunWithAWrongPdfOrAddressKeepsNothing_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<bool>("wrongHash");
        QTest::addColumn<QString>("named");
        QTest::newRow("a PDF not the one hashed")
            << "a@example.cn" << true << "PDF与记录的校验值不符";
        QTest::newRow("two addresses")
            << "a@example.cn;b@example.cn" << false << "不是一个电子邮件地址";
        QTest::newRow("a name with the address")
            << "张三 <a@example.cn>" << false << "不是一个电子邮件地址";
        QTest::newRow("no domain") << "caiwu@localhost" << false << "不是一个电子邮件地址";
    }
    void aRunWithAWrongPdfOrAddressKeepsNothing()
    {
        QFETCH(QString, email);
        QFETCH(bool, wrongHash);
        QFETCH(QString, named);
        auto ledger = newLedger();
        SentPage page = mailedPage(5, email);
        if (wrongHash)
            page.pdf += ' ';
        const qint64 logSize = ledger->logSize();
        const QString error = messageOf([&] {
            ledger->recordRun(ledgerRun(), {mailedPage(7, {}), page});
        });
        QVERIFY2(error.contains(named), qPrintable(error));
        QCOMPARE(ledger->logSize(), logSize);
        QVERIFY(!ledger->letter(ledgerLetter(7).number));
        QCOMPARE(scalar(ledger->path(), "SELECT COUNT(*) FROM letter_pdfs"), QStringLiteral("0"));
    }

    // A second request is a letter of its own, linked to the first: a reply to it answers
    // the first as well.
    void aSecondRequestAnswersTheFirst()
    {
        QString path;
        auto ledger = newLedger(&path);
        const QString first = ledgerLetter(2).number;
        SentPage second{ledgerLetter(2), QByteArray(64, 'b'), first};
        second.identity.number = first + QStringLiteral("-2");
        second.identity.fields.append({QStringLiteral("原函编号"), first});
        ledger->recordRun(ledgerRun(), {second});
        QCOMPARE(ledger->letter(second.identity.number)->follows, first);
        QCOMPARE(ledger->letter(first)->follows, QString());
        // Printed again, it stays the one letter, still linked.
        ledger->recordRun(ledgerRun(), {second});
        QCOMPARE(ledger->letter(second.identity.number)->reprints, 1);

        ReplyPageRecord page;
        page.fileSha256 = QByteArray(64, 'c');
        page.page = 1;
        page.file = QStringLiteral("/tmp/回函.pdf");
        page.number = second.identity.number;
        page.state = QStringLiteral("已匹配");
        page.received = QDate(2027, 2, 1);
        page.channel = QStringLiteral("邮寄");
        ledger->recordReplies({page});
        const LedgerLetter answered = *ledger->letter(first);
        QVERIFY(answered.answered);
        QCOMPARE(answered.value(LetterField::ReplyDate), QStringLiteral("2027-02-01"));
        QVERIFY(ledger->letter(second.identity.number)->answered);
        QVERIFY(!ledger->letter(ledgerLetter(3).number)->answered);
        const LedgerStore::Verification check = ledger->verify();
        QVERIFY2(check.ok, qPrintable(check.problem));

        // One that follows no letter of the ledger keeps nothing.
        SentPage stray = second;
        stray.identity.number = QStringLiteral("HZ2026-0099-2");
        stray.follows = QStringLiteral("HZ2026-0099");
        const QString error = messageOf([&] { ledger->recordRun(ledgerRun(), {stray}); });
        QVERIFY2(error.contains(QStringLiteral("跟进的函证编号 HZ2026-0099 不在函证台账中")),
                 qPrintable(error));
        QVERIFY(!ledger->letter(stray.identity.number));

        // The link changed past the program is found.
        ledger.reset();
        tamper(path, {"UPDATE letters SET follows = 1 WHERE follows IS NOT NULL"});
        const LedgerStore::Verification changed = LedgerStore::open(path)->verify();
        QVERIFY(!changed.ok);
        QVERIFY2(changed.problem.contains(QStringLiteral("跟进的询证函与发函时的记录不符")),
                 qPrintable(changed.problem));
    }

    // A ledger of the first version, brought up to this one, takes messages and checks.
    void anOlderLedgerTakesMessages()
    {
        const QString path = m_dir.filePath(QStringLiteral("v1.rvledger"));
        QVERIFY(QFile::copy(
            qEnvironmentVariable("TESTS_DATA_DIR") + QStringLiteral("/ledger-v1.rvledger"), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        auto ledger = LedgerStore::open(path);
        QCOMPARE(ledger->schemaVersion(), LedgerSchema::Current);
        ledger->recordMessages({message(1)});
        ledger->checkAddress({ledgerLetter(2).number, QStringLiteral("张三"),
                              QStringLiteral("官网"), QDate(2027, 1, 4), QString()});
        QCOMPARE(ledger->messages().size(), 1);
        QCOMPARE(ledger->letter(ledgerLetter(1).number)->follows, QString());
        const LedgerStore::Verification check = ledger->verify();
        QVERIFY2(check.ok, qPrintable(check.problem));
    }
};

QTEST_GUILESS_MAIN(TestLedgerDispatch)
#include "test_ledger_dispatch.moc"
