// The ledger on real SQLite files: letters sent and reprinted, values checked, replies,
// the log's chain against changes made outside, versions, damaged and read-only files,
// backups.
#include "ledger/LedgerBackup.h"
#include "ledger/LedgerSchema.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "support/LedgerFixtures.h"
#include "support/MessageOf.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {
QByteArray contentOf(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}
} // namespace

class TestLedger : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString file(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { LedgerStore::setUserName(QStringLiteral("审计员甲")); }

    void sentLettersReprintsAndVoids()
    {
        auto ledger =
            LedgerStore::create(file(QStringLiteral("send.rvledger")), QStringLiteral("2026 年报"));
        QCOMPARE(ledger->engagement(), QStringLiteral("2026 年报"));
        const LedgerRun first = ledger->recordRun(ledgerRun(), ledgerPages(1, 3));
        QCOMPARE(first.letters, 3);
        QCOMPARE(ledger->letterCount(), 3);
        QCOMPARE(ledger->letter(QStringLiteral("HZ2026-0002"))->identity.customer,
                 QStringLiteral("杭州第2公司"));
        QCOMPARE(ledger->letter(QStringLiteral("HZ2026-0002"))->state(), QStringLiteral("已发函"));

        // The same content again is a reprint; with a new number, a new letter.
        const LedgerRun second =
            ledger->recordRun(ledgerRun(QStringLiteral("打印机甲")), ledgerPages(2, 3));
        QCOMPARE(second.reprints, 2);
        QCOMPARE(second.letters, 1);
        QCOMPARE(ledger->letter(QStringLiteral("HZ2026-0003"))->reprints, 1);
        // A run's letters are those it sent, reprints among them.
        QList<qint64> sentBySecond;
        for (int n : {2, 3, 4})
            sentBySecond.append(ledger->letter(ledgerLetter(n).number)->id);
        QCOMPARE(ledger->letterIds({{}, {}, second.id, {}}), sentBySecond);
        QCOMPARE(ledger->letterIds({{}, {}, first.id, {}}).size(), 3);

        // Another amount under a sent number is refused whole: the new number with it too.
        QList<SentPage> changed = ledgerPages(5, 2);
        changed[0].identity = ledgerLetter(1, 999);
        const QString refused = messageOf([&] { ledger->recordRun(ledgerRun(), changed); });
        QVERIFY2(refused.contains(QStringLiteral("HZ2026-0001 已按其他内容发出过")),
                 qPrintable(refused));
        QCOMPARE(ledger->letterCount(), 4);
        QCOMPARE(ledger->runs().size(), 2);

        // Voided first, the number may go out with the new content.
        ledger->voidLetter(QStringLiteral("HZ2026-0001"), QStringLiteral("金额有误"));
        ledger->recordRun(ledgerRun(), changed);
        QCOMPARE(ledger->letter(QStringLiteral("HZ2026-0001"))->identity.cents, 999);
        const QList<LedgerLetter> both = ledger->lettersNumbered(QStringLiteral("HZ2026-0001"));
        QCOMPARE(both.size(), 2);
        QCOMPARE(both[0].state(), QStringLiteral("已作废"));
        QVERIFY(ledger->verify().ok);

        // A run that repeats a number or leaves one out records nothing.
        QList<SentPage> repeated = ledgerPages(7, 2);
        repeated.append(ledgerPages(7, 1));
        QVERIFY(messageOf([&] {
                    ledger->recordRun(ledgerRun(), repeated);
                }).contains(QStringLiteral("HZ2026-0007")));
        QCOMPARE(ledger->runs().size(), 3);
    }

    // The list's filters: every state as LedgerLetter::state() names it, the template, the
    // run (reprints among its letters), the text in either the number or the customer, and
    // the wildcards of the text taken literally.
    void lettersAreFiltered_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<int>("run"); // 1 or 2, 0 for all
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // the letters' n, voided one as 4v
        const QString all;
        QTest::newRow("everything") << all << all << 0 << all << "1 2 3 4v 4 5 6";
        QTest::newRow("已发函") << "已发函" << all << 0 << all << "1 4 6";
        QTest::newRow("已回函") << "已回函" << all << 0 << all << "5";
        QTest::newRow("相符") << "相符" << all << 0 << all << "2";
        QTest::newRow("不符") << "不符" << all << 0 << all << "3";
        QTest::newRow("退函") << "退函" << all << 0 << all << "";
        QTest::newRow("已作废") << "已作废" << all << 0 << all << "4v";
        QTest::newRow("unknown state") << "待定" << all << 0 << all << "";
        QTest::newRow("template") << all << "预收帐款确认函" << 0 << all << "6";
        QTest::newRow("first run") << all << all << 1 << all << "1 2 3 4v";
        QTest::newRow("second run, a reprint")
            << all << all << 2 << all << "1 4 5 6"; // 1 again, 4 anew after the void
        QTest::newRow("number, any case") << all << all << 0 << "hz2026-0005"
                                          << "5";
        QTest::newRow("customer") << all << all << 0 << "第6公"
                                  << "6";
        QTest::newRow("together") << "已发函" << all << 2 << "公司"
                                  << "1 4 6";
        QTest::newRow("wildcards literal") << all << all << 0 << "%"
                                           << "";
        QTest::newRow("underscore literal") << all << all << 0 << "HZ2026_0001"
                                            << "";
    }
    void lettersAreFiltered()
    {
        QFETCH(QString, state);
        QFETCH(QString, templateName);
        QFETCH(int, run);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        auto ledger = LedgerStore::create(
            file(QStringLiteral("filter-%1.rvledger").arg(QTest::currentDataTag())),
            QStringLiteral("E"));
        const LedgerRun first = ledger->recordRun(ledgerRun(), ledgerPages(1, 4));
        ledger->voidLetter(ledgerLetter(4).number, QStringLiteral("地址有误"));
        QList<SentPage> second = ledgerPages(4, 3);
        second[2].identity.templateName = QStringLiteral("预收帐款确认函");
        second.append(ledgerPages(1, 1));
        const LedgerRun again = ledger->recordRun(ledgerRun(), second);
        ledger->setValues(ledgerLetter(2).number, {{LetterField::Result, QStringLiteral("相符")}});
        ledger->setValues(ledgerLetter(3).number, {{LetterField::Result, QStringLiteral("不符")}});
        ledger->recordReplies({{"cc33",
                                1,
                                QStringLiteral("/scans/c.pdf"),
                                ledgerLetter(5).number,
                                QStringLiteral("已匹配"),
                                QDate(2026, 12, 20),
                                QStringLiteral("快递"),
                                {}}});

        const LetterFilter filter{state, templateName,
                                  run == 1   ? first.id
                                  : run == 2 ? again.id
                                             : 0,
                                  text};
        QStringList found;
        for (const LedgerLetter &letter : ledger->lettersWithIds(ledger->letterIds(filter)))
            found.append(QString::number(letter.identity.number.right(4).toInt()) +
                         (letter.voided.isValid() ? QStringLiteral("v") : QString()));
        QCOMPARE(found.join(QLatin1Char(' ')), expected);
    }

    // The list reads letters by id in the order asked, past the portions of one query; the
    // whole log in ranges.
    void lettersAndLogByPortions()
    {
        auto ledger =
            LedgerStore::create(file(QStringLiteral("portions.rvledger")), QStringLiteral("E"));
        ledger->recordRun(ledgerRun(), ledgerPages(1, 1203));
        QList<qint64> ids = ledger->letterIds();
        QCOMPARE(ids.size(), 1203);
        std::reverse(ids.begin(), ids.end());
        ids.append(999999);
        const QList<LedgerLetter> letters = ledger->lettersWithIds(ids);
        QCOMPARE(letters.size(), 1203);
        QCOMPARE(letters.first().identity.number, ledgerLetter(1203).number);
        QCOMPARE(letters.last().identity.number, ledgerLetter(1).number);
        QCOMPARE(ledger->templateNames(), QStringList{QStringLiteral("应收帐款确认函")});
        const QList<LogEntry> range = ledger->logRange(ledger->logSize() - 1, 5);
        QCOMPARE(range.size(), 2);
        QCOMPARE(range.last().id, ledger->logSize());
        QCOMPARE(range.first().hash, range.last().previousHash);
    }

    void valuesAreCheckedAndLogged_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept"); // empty: refused
        QTest::newRow("amount with separators") << int(LetterField::ReplyAmount) << "1,234.5"
                                                << "1234.50";
        QTest::newRow("amount not a number") << int(LetterField::ReplyAmount) << "一千"
                                             << "";
        QTest::newRow("result from the list") << int(LetterField::Result) << " 相符 "
                                              << "相符";
        QTest::newRow("result not in the list") << int(LetterField::Result) << "差不多"
                                                << "";
        QTest::newRow("date with slashes") << int(LetterField::ReplyDate) << "2026/1/5"
                                           << "2026-01-05";
        QTest::newRow("Chinese date") << int(LetterField::SendDate) << "2026年12月9日"
                                      << "2026-12-09";
        QTest::newRow("date impossible") << int(LetterField::SendDate) << "2026-02-30"
                                         << "";
        QTest::newRow("waybill as typed") << int(LetterField::Waybill) << " SF1234 "
                                          << "SF1234";
    }
    void valuesAreCheckedAndLogged()
    {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        const QString path =
            file(QStringLiteral("values-%1.rvledger").arg(QTest::currentDataTag()));
        auto ledger = LedgerStore::create(path, QStringLiteral("E"));
        ledger->recordRun(ledgerRun(), ledgerPages(1, 1));
        const QString number = QStringLiteral("HZ2026-0001");
        const QString error = messageOf([&] {
            ledger->setValues(number, {{LetterField(field), typed}});
        });
        if (kept.isEmpty()) {
            QVERIFY2(error.contains(LedgerStore::fieldName(LetterField(field))) ||
                         error.contains(typed.trimmed()),
                     qPrintable(error));
            QCOMPARE(ledger->letter(number)->value(LetterField(field)), QString());
            return;
        }
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(ledger->letter(number)->value(LetterField(field)), kept);
        const LogEntry last = ledger->log(number).last();
        QCOMPARE(last.action, QStringLiteral("修改"));
        QCOMPARE(last.field, LedgerStore::fieldName(LetterField(field)));
        QCOMPARE(last.newValue, kept);
        QCOMPARE(last.user, QStringLiteral("审计员甲"));
        QVERIFY(ledger->verify().ok);
    }

    void repliesAreRecordedOnce()
    {
        auto ledger =
            LedgerStore::create(file(QStringLiteral("replies.rvledger")), QStringLiteral("E"));
        ledger->recordRun(ledgerRun(), ledgerPages(1, 2));
        ReplyPageRecord page{"aa11",
                             1,
                             QStringLiteral("/scans/a.pdf"),
                             QStringLiteral("HZ2026-0001"),
                             QStringLiteral("已匹配"),
                             QDate(2026, 12, 20),
                             QStringLiteral("快递"),
                             {}};
        ReplyPageRecord blank{"aa11",
                              2,
                              QStringLiteral("/scans/a.pdf"),
                              {},
                              QStringLiteral("未识别"),
                              QDate(2026, 12, 20),
                              QStringLiteral("快递"),
                              {}};
        QCOMPARE(ledger->recordReplies({page, blank}), 2);
        QCOMPARE(ledger->recordReplies({page}), 0);
        QVERIFY(ledger->fileRecorded("aa11"));
        QVERIFY(!ledger->fileRecorded("bb22"));
        const LedgerLetter answered = *ledger->letter(QStringLiteral("HZ2026-0001"));
        QVERIFY(answered.answered);
        QCOMPARE(answered.state(), QStringLiteral("已回函"));
        QCOMPARE(answered.value(LetterField::ReplyDate), QStringLiteral("2026-12-20"));
        QCOMPARE(answered.value(LetterField::ReplyChannel), QStringLiteral("快递"));
        // A date the auditor entered stays.
        ledger->setValues(QStringLiteral("HZ2026-0002"),
                          {{LetterField::ReplyDate, QStringLiteral("2026-12-01")}});
        ledger->recordReplies({{"cc33",
                                1,
                                QStringLiteral("/scans/b.png"),
                                QStringLiteral("HZ2026-0002"),
                                QStringLiteral("已匹配"),
                                QDate(2026, 12, 21),
                                {},
                                {}}});
        QCOMPARE(ledger->letter(QStringLiteral("HZ2026-0002"))->value(LetterField::ReplyDate),
                 QStringLiteral("2026-12-01"));
        QCOMPARE(ledger->replies().size(), 3);
        QVERIFY(ledger->verify().ok);
    }

    // Every kind of change made past the program shows, and names where.
    void verifyFindsChangesMadeOutside_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("named");
        QTest::addColumn<qint64>("firstBroken");
        QTest::newRow("an amount rewritten")
            << QStringList{"UPDATE letters SET cents = 1 WHERE number = 'HZ2026-0002'"}
            << "HZ2026-0002 的询证函内容" << qint64(0);
        QTest::newRow("a result typed in")
            << QStringList{"UPDATE letters SET result = '相符' WHERE number = 'HZ2026-0003'"}
            << "“函证结果”为“相符”" << qint64(0);
        QTest::newRow("a log entry rewritten")
            << QStringList{"UPDATE log SET new_value = '9' WHERE id = 6"} << "第 6 条的内容"
            << qint64(6);
        QTest::newRow("a log entry taken out")
            << QStringList{"DELETE FROM log WHERE id = 4"} << "缺少第 4 条" << qint64(4);
        QTest::newRow("the last entries cut")
            << QStringList{"DELETE FROM log WHERE id > 5"} << "第 5 条之后" << qint64(6);
        QTest::newRow("a letter added")
            << QStringList{"INSERT INTO letters SELECT 99, 'X-1', customer, cut_off, cents, "
                           "template, fields, "
                           "first_run, page_sha256, 0, NULL, '', 0, '', '', '', '', '', '', '', "
                           "'', '', '', NULL, '', 0, '', '', '', '', '', '', '', 1 "
                           "FROM letters WHERE id = 1"}
            << "X-1 的询证函不在操作记录中" << qint64(0);
        QTest::newRow("a letter deleted") << QStringList{"DELETE FROM sendings WHERE letter = 3",
                                                         "DELETE FROM letters WHERE id = 3"}
                                          << "HZ2026-0003 的询证函在台账中缺失" << qint64(0);
    }
    void verifyFindsChangesMadeOutside()
    {
        QFETCH(QStringList, statements);
        QFETCH(QString, named);
        QFETCH(qint64, firstBroken);
        const QString path =
            file(QStringLiteral("tamper-%1.rvledger").arg(QTest::currentDataTag()));
        {
            auto ledger = LedgerStore::create(path, QStringLiteral("E"));
            ledger->recordRun(ledgerRun(), ledgerPages(1, 3));
            ledger->setValues(QStringLiteral("HZ2026-0001"),
                              {{LetterField::Result, QStringLiteral("不符")}});
            QVERIFY(ledger->verify().ok);
        }
        tamper(path, statements);
        const LedgerStore::Verification result = LedgerStore::open(path)->verify();
        QVERIFY(!result.ok);
        QVERIFY2(result.problem.contains(named), qPrintable(result.problem));
        QCOMPARE(result.firstBroken, firstBroken);
    }

    void newerVersionIsRefusedUntouched()
    {
        const QString path = file(QStringLiteral("newer.rvledger"));
        LedgerStore::create(path, QStringLiteral("E"));
        tamper(path, {"UPDATE meta SET value = '9' WHERE key = 'schema_version'"});
        const QByteArray before = contentOf(path);
        const QString error = messageOf([&] { LedgerStore::open(path); });
        QVERIFY2(error.contains(QStringLiteral("较新版本的程序建立（结构版本 9）")),
                 qPrintable(error));
        QVERIFY(error.contains(QStringLiteral("文件未作改动")));
        QCOMPARE(contentOf(path), before);
    }

    void firstVersionIsMigratedAfterABackup()
    {
        const QString path = file(QStringLiteral("old/v1.rvledger"));
        QDir().mkpath(file(QStringLiteral("old")));
        QVERIFY(QFile::copy(
            qEnvironmentVariable("TESTS_DATA_DIR") + QStringLiteral("/ledger-v1.rvledger"), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        auto ledger = LedgerStore::open(path);
        QCOMPARE(ledger->schemaVersion(), LedgerSchema::Current);
        const QStringList copies = LedgerBackup::copiesOf(path);
        // The copy before the migration is the day's copy too.
        QVERIFY2(copies.size() == 1 && copies[0].contains(QStringLiteral("升级前")),
                 qPrintable(copies.join(',')));
        QCOMPARE(scalar(copies[0],
                        QStringLiteral("SELECT value FROM meta WHERE key = 'schema_version'")),
                 QStringLiteral("1"));
        QCOMPARE(scalar(copies[0], QStringLiteral("SELECT COUNT(*) FROM log")),
                 QStringLiteral("7"));
        const LedgerLetter first = *ledger->letter(QStringLiteral("HZ2026-0001"));
        QCOMPARE(first.value(LetterField::ReplyAmount), QStringLiteral("1234567.89"));
        QCOMPARE(first.identity.cents, 123456789);
        QVERIFY(first.answered);
        // The new fields work, and the chain made by the first version holds on.
        ledger->setValues(QStringLiteral("HZ2026-0002"),
                          {{LetterField::Alternative, QStringLiteral("检查期后收款")}});
        const LedgerStore::Verification result = ledger->verify();
        QVERIFY2(result.ok, qPrintable(result.problem));
        QCOMPARE(ledger->log().at(7).action, QStringLiteral("升级"));
    }

    void damagedFilesAreRefusedUntouched_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QByteArray random(8192, 0);
        for (int i = 0; i < random.size(); ++i)
            random[i] = char((i * 7919 + 13) % 251);
        QTest::newRow("random bytes") << random << "不是函证台账文件";
        QTest::newRow("a text file")
            << QByteArray("函证编号,客户\nHZ-1,甲\n") << "不是函证台账文件";
        QTest::newRow("empty") << QByteArray() << "不是函证台账文件";
    }
    void damagedFilesAreRefusedUntouched()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path =
            file(QStringLiteral("damaged-%1.rvledger").arg(QTest::currentDataTag()));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
        out.close();
        const QString error = messageOf([&] { LedgerStore::open(path); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(contentOf(path), content);
        QVERIFY(!QFileInfo::exists(LedgerBackup::folderOf(path) + QStringLiteral("/x")));
    }

    void truncatedAndForeignDatabasesAreRefused()
    {
        const QString path = file(QStringLiteral("cut.rvledger"));
        {
            auto ledger = LedgerStore::create(path, QStringLiteral("E"));
            ledger->recordRun(ledgerRun(), ledgerPages(1, 300));
        }
        QByteArray whole = contentOf(path);
        QFile cut(path);
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(whole.left(whole.size() / 2));
        cut.close();
        const QString error = messageOf([&] { LedgerStore::open(path); });
        QVERIFY2(error.contains(QStringLiteral("不完整")), qPrintable(error));
        QCOMPARE(contentOf(path).size(), whole.size() / 2);

        // Some other program's SQLite database.
        const QString foreign = file(QStringLiteral("foreign.rvledger"));
        tamper(foreign, {"CREATE TABLE t (x)", "INSERT INTO t VALUES (1)"});
        const QByteArray before = contentOf(foreign);
        QVERIFY(messageOf([&] {
                    LedgerStore::open(foreign);
                }).contains(QStringLiteral("不是函证台账文件")));
        QCOMPARE(contentOf(foreign), before);

        // A name taken already is never made over.
        QVERIFY(messageOf([&] {
                    LedgerStore::create(foreign, QStringLiteral("E"));
                }).contains(QStringLiteral("已存在")));
        QCOMPARE(contentOf(foreign), before);
    }

    void readOnlyLedgersOpenToRead()
    {
        QDir().mkpath(file(QStringLiteral("ro")));
        const QString path = file(QStringLiteral("ro/ledger.rvledger"));
        {
            auto ledger = LedgerStore::create(path, QStringLiteral("E"));
            ledger->recordRun(ledgerRun(), ledgerPages(1, 2));
        }
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QByteArray before = contentOf(path);
        {
            auto ledger = LedgerStore::open(path);
            QVERIFY(ledger->readOnly());
            QCOMPARE(ledger->readOnlyReason(), QStringLiteral("文件是只读的"));
            QCOMPARE(ledger->letterCount(), 2);
            QVERIFY(ledger->verify().ok);
            const QString error = messageOf([&] {
                ledger->setValues(QStringLiteral("HZ2026-0001"),
                                  {{LetterField::Result, QStringLiteral("相符")}});
            });
            QVERIFY2(error.contains(QStringLiteral("只读")), qPrintable(error));
            QVERIFY(messageOf([&] {
                        ledger->recordRun(ledgerRun(), ledgerPages(5, 1));
                    }).contains(QStringLiteral("只读")));
        }
        QCOMPARE(contentOf(path), before);
        // A folder that cannot be written keeps the ledger from writing its journal.
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        ::chmod(QFile::encodeName(file(QStringLiteral("ro"))).constData(), 0555);
        QCOMPARE(LedgerStore::open(path)->readOnlyReason(),
                 QStringLiteral("它所在的文件夹不能写入"));
        ::chmod(QFile::encodeName(file(QStringLiteral("ro"))).constData(), 0755);
    }

    void backupsKeepTheLastSeven()
    {
        QDir().mkpath(file(QStringLiteral("daily")));
        const QString path = file(QStringLiteral("daily/ledger.rvledger"));
        LedgerStore::create(path, QStringLiteral("E"));
        QCOMPARE(LedgerBackup::copiesOf(path).size(), 1);
        // Opened again the same day: no second copy.
        LedgerStore::open(path);
        QCOMPARE(LedgerBackup::copiesOf(path).size(), 1);
        // Copies of ten earlier days: the oldest go, today's stays.
        const QString folder = LedgerBackup::folderOf(path);
        for (int day = 1; day <= 10; ++day)
            QFile::copy(LedgerBackup::copiesOf(path).last(),
                        QStringLiteral("%1/ledger-202601%2-080000000-每日.rvledger")
                            .arg(folder)
                            .arg(day, 2, 10, QLatin1Char('0')));
        // Another ledger whose name begins alike is not this one's copy.
        QFile::copy(LedgerBackup::copiesOf(path).last(),
                    folder + QStringLiteral("/ledger-b-20260101-每日.rvledger"));
        LedgerBackup::prune(path);
        const QStringList copies = LedgerBackup::copiesOf(path);
        QCOMPARE(copies.size(), LedgerBackup::Kept);
        QVERIFY(copies.first().contains(QStringLiteral("20260105")));
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/ledger-b-20260101-每日.rvledger")));
        // A copy is a ledger in its own right.
        QCOMPARE(LedgerStore::open(copies.last())->engagement(), QStringLiteral("E"));
    }
};

QTEST_GUILESS_MAIN(TestLedger)
#include "test_ledger.moc"
