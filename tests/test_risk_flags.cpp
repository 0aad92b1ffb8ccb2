// The red flags over replies on real ledger files: each rule and the near misses it must
// let pass, the fields and parties the rules read (kept at print time, normalised, logged
// and checked), the step from the fourth schema, the register's sheet read back with
// openpyxl, and the batch tool run as a user runs it.

#include "control/RegisterWriter.h"
#include "control/ReplyCourierRecords.h"
#include "control/RiskFlags.h"
#include "ledger/LedgerSchema.h"
#include "ledger/LedgerStore.h"
#include "support/BatchProcess.h"
#include "support/LedgerFixtures.h"
#include "support/MessageOf.h"
#include "support/Python.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct Setting
{
    int letter;
    LetterField field;
    QString text;
};
using Settings = QList<Setting>;

QString number(int n)
{
    return ledgerLetter(n).number;
}

// A flag as "rule:1,2", by the letters' places.
QString shortly(const RiskFlag &flag)
{
    QStringList letters;
    for (const QString &n : flag.numbers)
        letters.append(QString::number(n.right(4).toInt()));
    return flag.rule + QLatin1Char(':') + letters.join(QLatin1Char(','));
}

using Run = BatchProcessRun;
} // namespace

Q_DECLARE_METATYPE(Settings)

class TestRiskFlags : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;

    std::unique_ptr<LedgerStore> newLedger(int letters, QString *path = nullptr)
    {
        const QString file = m_dir.filePath(QStringLiteral("f%1.rvledger").arg(++m_files));
        if (path)
            *path = file;
        auto ledger = LedgerStore::create(file, QStringLiteral("风险提示测试"));
        ledger->recordRun(ledgerRun(), ledgerPages(1, letters));
        return ledger;
    }

    // Five letters with the settings given, each sent on 2027-01-02 by courier when
    // 'dispatched'.
    std::unique_ptr<LedgerStore> ledgerWith(const Settings &settings, bool dispatched)
    {
        auto ledger = newLedger(5);
        QList<QPair<QString, QList<QPair<LetterField, QString>>>> values;
        for (int n = 1; n <= 5; ++n) {
            QList<QPair<LetterField, QString>> fields;
            if (dispatched)
                fields = {{LetterField::SendMethod, QStringLiteral("快递")},
                          {LetterField::SendDate, QStringLiteral("2027-01-02")}};
            for (const Setting &setting : settings)
                if (setting.letter == n)
                    fields.append({setting.field, setting.text});
            values.append({number(n), fields});
        }
        ledger->setValuesOf(values, QStringLiteral("修改"));
        return ledger;
    }

private slots:
    void initTestCase() { LedgerStore::setUserName(QStringLiteral("审计员乙")); }

    void rules_data()
    {
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<bool>("dispatched");
        QTest::addColumn<QStringList>("parties"); // the client, then related parties
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("mentions"); // in the first flag's explanation

        const auto A = LetterField::Address, P = LetterField::Phone, RA = LetterField::ReplyAddress,
                   RP = LetterField::ReplyPhone, RD = LetterField::ReplyDate,
                   RC = LetterField::ReplyChannel, RT = LetterField::ReplyTime,
                   RW = LetterField::ReplyWaybill, RS = LetterField::Respondent;
        const QString sender = QStringLiteral("寄件人与询证对象不符");
        QTest::newRow("sender elsewhere, unverified")
            << Settings{{1, A, "浙江省杭州市西湖区文三路1号"},
                        {1, RA, "宁波市江北区人民路8号"},
                        {1, RD, "2027-01-05"}}
            << true << QStringList() << QStringList{sender + ":1"}
            << QStringLiteral("询证地址未核实");
        QTest::newRow("same place and line written otherwise")
            << Settings{{1, A, "浙江省杭州市西湖区文三路１号"},
                        {1, RA, "杭州市 西湖区文三路1号"},
                        {2, P, "0571-8888 6666"},
                        {2, RP, "（0571）88886666"},
                        {3, P, "+86 0571 88886666"},
                        {3, RP, "88886666"},
                        {4, A, "杭州市拱墅区湖墅路9号"},
                        {4, RA, "拱墅区湖墅路9号"}}
            << true << QStringList() << QStringList() << QString();
        QTest::newRow("sender's phone another line")
            << Settings{{1, P, "0571-88886666"}, {1, RP, "138 0000 0000"}} << true << QStringList()
            << QStringList{sender + ":1"}
            << QStringLiteral("回函寄件电话“138 0000 0000”与询证电话“0571-88886666”不同");
        QTest::newRow("one phone for two customers")
            << Settings{{1, RP, "138 0000 0000"}, {2, RP, "13800000000"}, {3, RP, "13900000000"}}
            << true << QStringList() << QStringList{QStringLiteral("不同单位回函寄件电话相同:1,2")}
            << QStringLiteral("杭州第1公司、杭州第2公司");
        QTest::newRow("one address for two customers")
            << Settings{{2, RA, "浙江省杭州市滨江区江南大道100号"},
                        {4, RA, "杭州市滨江区 江南大道100号"}}
            << true << QStringList() << QStringList{QStringLiteral("不同单位回函寄件地址相同:2,4")}
            << QString();
        QTest::newRow("faxes in a chain, e-mail apart")
            << Settings{{1, RC, "传真"},     {1, RD, "2027-01-05"}, {1, RT, "10:00"},
                        {2, RC, "传真"},     {2, RD, "2027-01-05"}, {2, RT, "10:08"},
                        {3, RC, "传真"},     {3, RD, "2027-01-05"}, {3, RT, "10:17"},
                        {4, RC, "传真"},     {4, RD, "2027-01-05"}, {4, RT, "10:28"},
                        {5, RC, "电子邮件"}, {5, RD, "2027-01-05"}, {5, RT, "10:05"}}
            << true << QStringList() << QStringList{QStringLiteral("回函时间集中:1,2,3")}
            << QStringLiteral("10:00 至 2027-01-05 10:17");
        QTest::newRow("faxes on two days at one hour")
            << Settings{{1, RC, "传真"}, {1, RD, "2027-01-05"}, {1, RT, "10:00"},
                        {2, RC, "传真"}, {2, RD, "2027-01-06"}, {2, RT, "10:00"}}
            << true << QStringList() << QStringList() << QString();
        QTest::newRow("consecutive waybills")
            << Settings{{1, RW, "SF1234567890"},
                        {2, RW, "sf 1234567891"},
                        {3, RW, "SF1234567893"},
                        {4, RW, "YT1234567894"}}
            << true << QStringList() << QStringList{QStringLiteral("回函运单号连号:1,2")}
            << QStringLiteral("SF1234567890 至 SF1234567891");
        QTest::newRow("waybills of another length")
            << Settings{{1, RW, "SF99999"}, {2, RW, "SF100000"}} << true << QStringList()
            << QStringList() << QString();
        QTest::newRow("reply with no dispatch")
            << Settings{{1, RD, "2027-01-05"},
                        {2, LetterField::SendMethod, "快递"},
                        {2, RD, "2027-01-05"}}
            << false << QStringList() << QStringList{QStringLiteral("回函无发函记录:1")}
            << QStringLiteral("没有发函记录");
        QTest::newRow("courier reply on the day sent, by hand the same day")
            << Settings{{1, LetterField::Waybill, "SF5550001"},
                        {1, RD, "2027-01-02"},
                        {2, LetterField::SendMethod, "亲自送达（跟函）"},
                        {2, RD, "2027-01-02"},
                        {3, RD, "2027-01-01"},
                        {4, RD, "2027-01-03"}}
            << true << QStringList()
            << QStringList{QStringLiteral("回函早于送达:1"), QStringLiteral("回函早于送达:3")}
            << QStringLiteral("最早次日送达");
        QTest::newRow("respondent is the client or a related party")
            << Settings{{1, RS, "浙江甲股份有限公司 "},
                        {2, RS, "乙贸易(上海)有限公司"},
                        {3, RS, "丙贸易有限公司"}}
            << true
            << QStringList{QStringLiteral("浙江甲股份有限公司"),
                           QStringLiteral("乙贸易（上海）有限公司")}
            << QStringList{QStringLiteral("回函单位为被审计单位或关联方:1"),
                           QStringLiteral("回函单位为被审计单位或关联方:2")}
            << QStringLiteral("被审计单位“浙江甲股份有限公司”");
    }

    void rules()
    {
        QFETCH(Settings, settings);
        QFETCH(bool, dispatched);
        QFETCH(QStringList, parties);
        QFETCH(QStringList, expected);
        QFETCH(QString, mentions);
        auto ledger = ledgerWith(settings, dispatched);
        if (!parties.isEmpty())
            ledger->setParties({parties.first(), parties.mid(1)});
        const QList<RiskFlag> flags =
            RiskFlags::find(RiskFlags::custodyOf(*ledger), RiskFlags::DefaultMinutes);
        QStringList found;
        for (const RiskFlag &flag : flags)
            found.append(shortly(flag));
        QCOMPARE(found, expected);
        if (!mentions.isEmpty())
            QVERIFY2(flags.first().explanation.contains(mentions),
                     qPrintable(flags.first().explanation));
    }

    void dispatchMadeEarlierByCheckAndMail()
    {
        auto ledger = ledgerWith({{1, LetterField::Address, QStringLiteral("杭州市上城区1号")},
                                  {1, LetterField::ReplyAddress, QStringLiteral("嘉兴市2号")},
                                  {2, LetterField::ReplyDate, QStringLiteral("2027-01-02")}},
                                 true);
        ledger->checkAddress({number(1), QStringLiteral("审计员乙"), QStringLiteral("电话核实"),
                              QDate(2027, 1, 1), QString()});
        // E-mailed the day before the courier left: a reply on the day sent is possible.
        RiskFlags::Custody custody = RiskFlags::custodyOf(*ledger);
        custody.firstMailed.insert(number(2), QDate(2027, 1, 1));
        const QList<RiskFlag> flags = RiskFlags::find(custody, 10);
        QCOMPARE(flags.size(), 1);
        QVERIFY2(flags[0].explanation.contains(QStringLiteral("询证地址已核实")),
                 qPrintable(flags[0].explanation));
        // A message sent today, after the reply of yesterday: too early by the mail too.
        ledger->setValues(number(3), {{LetterField::ReplyDate,
                                       QDate::currentDate().addDays(-1).toString(Qt::ISODate)},
                                      {LetterField::SendDate, QString()},
                                      {LetterField::SendMethod, QString()}});
        MessageRecord mail;
        mail.number = number(3);
        mail.kind = QStringLiteral("询证函");
        mail.recipient = QStringLiteral("cw@example.cn");
        mail.subject = QStringLiteral("询证函");
        mail.messageId = QStringLiteral("<3@example.cn>");
        mail.state = QStringLiteral("已发送");
        ledger->recordMessages({mail});
        const QList<RiskFlag> later = RiskFlags::find(RiskFlags::custodyOf(*ledger), 10);
        QCOMPARE(shortly(later.last()), QStringLiteral("回函早于送达:3"));
        QVERIFY(later.last().explanation.contains(QStringLiteral("邮件发出日期")));
    }

    void theFieldsKeptAreNormalisedLoggedAndChecked()
    {
        QString path;
        auto ledger = newLedger(2, &path);
        ledger->setValues(number(1), {{LetterField::ReplyWaybill, QStringLiteral(" sf 1234 5678 ")},
                                      {LetterField::ReplyTime, QStringLiteral("9：05")},
                                      {LetterField::ReplyPhone, QStringLiteral(" 0571-1 ")}});
        const LedgerLetter letter = *ledger->letter(number(1));
        QCOMPARE(letter.value(LetterField::ReplyWaybill), QStringLiteral("SF12345678"));
        QCOMPARE(letter.value(LetterField::ReplyTime), QStringLiteral("09:05"));
        QCOMPARE(letter.value(LetterField::ReplyPhone), QStringLiteral("0571-1"));
        QCOMPARE(ledger->log(number(1)).last().field, QStringLiteral("回函寄件电话"));
        for (const QString &wrong : {QStringLiteral("25:00"), QStringLiteral("上午")}) {
            const QString error = messageOf([&] {
                ledger->setValues(number(2), {{LetterField::ReplyTime, wrong}});
            });
            QCOMPARE(error, QStringLiteral("回函时间“%1”不是时刻（例如 14:05）").arg(wrong));
        }
        QVERIFY(ledger->verify().ok);
        ledger.reset();
        tamper(path, {"UPDATE letters SET respondent = '某公司' WHERE number = 'HZ2026-0002'"});
        const LedgerStore::Verification checked = LedgerStore::open(path)->verify();
        QVERIFY(!checked.ok);
        QVERIFY2(checked.problem.contains(QStringLiteral("“回函单位”为“某公司”")),
                 qPrintable(checked.problem));
    }

    void aPrintedRowGivesItsAddressAndPhoneOnce()
    {
        auto ledger = newLedger(1);
        QList<SentPage> pages = ledgerPages(2, 1);
        pages[0].contacts = {{LetterField::Address, QStringLiteral("杭州市文三路2号")},
                             {LetterField::Phone, QStringLiteral("0571-22223333")},
                             {LetterField::Email, QString()}};
        ledger->recordRun(ledgerRun(), pages);
        QCOMPARE(ledger->letter(number(2))->value(LetterField::Address),
                 QStringLiteral("杭州市文三路2号"));
        QCOMPARE(ledger->letter(number(2))->value(LetterField::Email), QString());
        // Corrected by the auditor, a reprint leaves the correction.
        ledger->setValues(number(2), {{LetterField::Phone, QStringLiteral("0571-99998888")}});
        pages[0].contacts[1].second = QStringLiteral("0571-00000000");
        ledger->recordRun(ledgerRun(), pages);
        QCOMPARE(ledger->letter(number(2))->value(LetterField::Phone),
                 QStringLiteral("0571-99998888"));
        QCOMPARE(ledger->letter(number(2))->reprints, 1);
        QCOMPARE(ledger->log(number(2)).at(1).action, QStringLiteral("登记"));
        QVERIFY(ledger->verify().ok);
    }

    void partiesAreKeptLoggedAndChecked()
    {
        QString path;
        auto ledger = newLedger(1, &path);
        ledger->setParties({QStringLiteral(" 浙江甲  股份有限公司 "),
                            {QStringLiteral("乙公司"), QString(), QStringLiteral("乙公司"),
                             QStringLiteral("丙公司")}});
        QCOMPARE(ledger->parties(),
                 (LedgerParties{QStringLiteral("浙江甲 股份有限公司"),
                                {QStringLiteral("乙公司"), QStringLiteral("丙公司")}}));
        const qint64 size = ledger->logSize();
        ledger->setParties({QStringLiteral("浙江甲 股份有限公司"), {QStringLiteral("丙公司")}});
        QCOMPARE(ledger->logSize(), size + 1); // only 乙公司 taken off
        QCOMPARE(ledger->log().last().oldValue, QStringLiteral("乙公司"));
        QVERIFY(ledger->verify().ok);
        ledger.reset();
        tamper(path, {"INSERT INTO parties (role, name) VALUES ('关联方', '丁公司')"});
        const LedgerStore::Verification checked = LedgerStore::open(path)->verify();
        QVERIFY(!checked.ok);
        QVERIFY2(checked.problem.contains(QStringLiteral("关联方名单与操作记录不符")),
                 qPrintable(checked.problem));
    }

    void aFourthVersionLedgerTakesTheStep()
    {
        QString path;
        newLedger(3, &path)->setValues(number(1), {{LetterField::Note, QStringLiteral("旧")}});
        // The file as the fourth version left it.
        QStringList back{"DROP TABLE alternative_evidence",
                         "DROP TABLE alternative_procedures",
                         "DROP TABLE reconciling_items",
                         "DROP TABLE parties",
                         "UPDATE meta SET value = '4' WHERE key = 'schema_version'",
                         "DELETE FROM meta WHERE key = 'code_key'",
                         "ALTER TABLE runs DROP COLUMN reply_areas",
                         "ALTER TABLE letters DROP COLUMN version"};
        for (const char *column : {"address", "phone", "respondent", "reply_address", "reply_phone",
                                   "reply_waybill", "reply_time", "code_keyed", "version"})
            back.append(QStringLiteral("ALTER TABLE letters DROP COLUMN %1").arg(column));
        for (const char *column : {"code_check", "alteration", "regions", "marks", "suggestion"})
            back.append(QStringLiteral("ALTER TABLE replies DROP COLUMN %1").arg(column));
        tamper(path, back);
        QCOMPARE(scalar(path, "SELECT COUNT(*) FROM pragma_table_info('letters') WHERE name = "
                              "'reply_time'"),
                 QStringLiteral("0"));
        auto ledger = LedgerStore::open(path);
        QCOMPARE(ledger->schemaVersion(), LedgerSchema::Current);
        QCOMPARE(ledger->codeKey().size(), 32);
        QCOMPARE(ledger->log().last().newValue, QString::number(LedgerSchema::Current));
        QCOMPARE(ledger->letter(number(1))->value(LetterField::Note), QStringLiteral("旧"));
        ledger->setValues(number(2), {{LetterField::Respondent, QStringLiteral("杭州第2公司")}});
        ledger->setParties({QStringLiteral("甲"), {}});
        const LedgerStore::Verification checked = ledger->verify();
        QVERIFY2(checked.ok, qPrintable(checked.problem));
    }

    void theRegisterHasASheetOfFlags()
    {
        auto ledger = ledgerWith({{1, LetterField::ReplyPhone, QStringLiteral("13800000000")},
                                  {3, LetterField::ReplyPhone, QStringLiteral("13800000000")},
                                  {3, LetterField::Respondent, QStringLiteral("甲公司")}},
                                 true);
        const QString file = m_dir.filePath(QStringLiteral("register.xlsx"));
        RegisterWriter::write(*ledger, file);
        const PythonRun read = runPython(
            QStringLiteral("import sys, openpyxl\n"
                           "b = openpyxl.load_workbook(sys.argv[1])\n"
                           "print('|'.join(b.sheetnames))\n"
                           "for r in b['风险提示'].iter_rows(values_only=True):\n"
                           "    print('\\t'.join(str(c) for c in r))\n"
                           "h = [c.value for c in b['函证控制表'][1]]\n"
                           "print(b['函证控制表'].cell(4, h.index('回函单位') + 1).value)\n"),
            {file});
        QVERIFY(read.ok);
        const QStringList lines = read.out.trimmed().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines[0].contains(QStringLiteral("|风险提示|")), qPrintable(lines[0]));
        QCOMPARE(lines[1], QStringLiteral("规则\t说明\t函证编号"));
        QVERIFY2(lines[2].startsWith(QStringLiteral("不同单位回函寄件电话相同\t2 家单位")),
                 qPrintable(lines[2]));
        QVERIFY(lines[2].endsWith(QStringLiteral("\tHZ2026-0001、HZ2026-0003")));
        QCOMPARE(lines[3], QStringLiteral("甲公司"));
    }

    void courierRecordsOfRepliesFillTheSender_data()
    {
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("refusal"); // empty when the file is taken

        const QString titles = QStringLiteral("函证编号,运单号,寄件人地址,寄件人电话,寄件时间\n");
        QTest::newRow("by number and by waybill")
            << titles + QStringLiteral("HZ2026-0001,SF 7000 0001,杭州市文三路1号,0571-1111,"
                                       "2027-01-04 09:30\n"
                                       ",YT8000002,宁波市1号,13800000000,2027/1/5\n"
                                       "合计,,,,\n")
            << QString();
        QTest::newRow("unknown letter")
            << titles + QStringLiteral("HZ2026-0009,SF70000009,甲,1,2027-01-04\n")
            << QStringLiteral("第 2 行：函证台账中没有函证编号为“HZ2026-0009”的有效询证函");
        QTest::newRow("waybill of no reply")
            << titles + QStringLiteral(",SF99999999,甲,1,2027-01-04\n")
            << QStringLiteral("第 2 行：运单号“SF99999999”不是台账中任何询证函的回函快递单号");
        QTest::newRow("waybill of another letter")
            << titles + QStringLiteral("HZ2026-0001,YT8000002,甲,1,\n")
            << QStringLiteral("运单号“YT8000002”是函证编号 HZ2026-0002 的回函快递单号，不是 "
                              "HZ2026-0001 的");
        QTest::newRow("a time that is none")
            << titles + QStringLiteral("HZ2026-0001,,甲,1,明天\n")
            << QStringLiteral("第 2 行：寄件时间“明天”不是日期和时刻");
        QTest::newRow("no sender's column")
            << QStringLiteral("函证编号,运单号\nHZ2026-0001,SF70000001\n")
            << QStringLiteral("没有“寄件人地址”（或“寄件地址”）、“寄件人电话”（或“寄件电话”）"
                              "或“寄件时间”（或“揽收时间”）列");
        QTest::newRow("a letter twice")
            << titles + QStringLiteral("HZ2026-0001,,甲,1,\nHZ2026-0001,,乙,2,\n")
            << QStringLiteral(
                   "第 3 行：函证编号“HZ2026-0001”在第 2 行已出现；未读取任何回函快递记录");
    }

    void courierRecordsOfRepliesFillTheSender()
    {
        QFETCH(QString, csv);
        QFETCH(QString, refusal);
        auto ledger = newLedger(3);
        // Letter 2's reply waybill was scanned, and its reply day is known from the scan.
        ledger->setValues(number(2), {{LetterField::ReplyWaybill, QStringLiteral("YT8000002")},
                                      {LetterField::ReplyDate, QStringLiteral("2027-01-06")}});
        const QString file = m_dir.filePath(QStringLiteral("couriers%1.csv").arg(++m_files));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(csv.toUtf8());
        out.close();
        const qint64 logSize = ledger->logSize();
        const QString error = messageOf([&] {
            ReplyCourierRecords::save(
                *ledger, ReplyCourierRecords::changes(*ledger, WaybillImport::readReplies(file)));
        });
        if (!refusal.isEmpty()) {
            QVERIFY2(error.contains(refusal), qPrintable(error));
            QCOMPARE(ledger->logSize(), logSize);
            return;
        }
        QCOMPARE(error, QString());
        const LedgerLetter first = *ledger->letter(number(1));
        QCOMPARE(first.value(LetterField::ReplyWaybill), QStringLiteral("SF70000001"));
        QCOMPARE(first.value(LetterField::ReplyAddress), QStringLiteral("杭州市文三路1号"));
        QCOMPARE(first.value(LetterField::ReplyDate), QStringLiteral("2027-01-04"));
        QCOMPARE(first.value(LetterField::ReplyTime), QStringLiteral("09:30"));
        const LedgerLetter second = *ledger->letter(number(2));
        QCOMPARE(second.value(LetterField::ReplyPhone), QStringLiteral("13800000000"));
        QCOMPARE(second.value(LetterField::ReplyDate), QStringLiteral("2027-01-06")); // kept
        QCOMPARE(ledger->log(number(2)).last().action, QStringLiteral("导入"));
        QVERIFY(ledger->verify().ok);
        // The same file again changes nothing.
        QVERIFY(ReplyCourierRecords::changes(*ledger, WaybillImport::readReplies(file)).isEmpty());
    }

    void theBatchToolListsFlagsAndKeepsParties()
    {
        QString path;
        auto ledger = newLedger(2, &path);
        ledger->setValues(number(1), {{LetterField::Respondent, QStringLiteral("乙公司")}});
        ledger.reset();

        Run run = batch({QStringLiteral("flags"), QStringLiteral("--ledger"), path});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("规则\t说明\t函证编号\n"));

        run = batch({QStringLiteral("ledger"), QStringLiteral("parties"), path,
                     QStringLiteral("--client"), QStringLiteral("甲公司"), QStringLiteral("--add"),
                     QStringLiteral("乙公司"), QStringLiteral("--add"), QStringLiteral("丙公司")});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("被审计单位\t甲公司\n关联方\t乙公司\n关联方\t丙公司\n"));
        run = batch({QStringLiteral("ledger"), QStringLiteral("parties"), path,
                     QStringLiteral("--remove"), QStringLiteral("丁公司")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("关联方名单中没有“丁公司”，台账未作改动")),
                 qPrintable(run.err));

        const QString csv = m_dir.filePath(QStringLiteral("flags.csv"));
        run = batch({QStringLiteral("flags"), QStringLiteral("--ledger"), path,
                     QStringLiteral("--csv"), csv});
        QCOMPARE(run.status, 3);
        QCOMPARE(run.out.count(QLatin1Char('\n')), 2);
        QVERIFY2(run.out.contains(QStringLiteral(
                     "回函单位为被审计单位或关联方\t发给杭州第1公司的询证函，回函单位“乙公司”是"
                     "关联方“乙公司”\tHZ2026-0001")),
                 qPrintable(run.out));
        QFile written(csv);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF规则,说明,函证编号\r\n"));
        QVERIFY(bytes.contains("\"发给杭州第1公司的询证函，回函单位“乙公司”是关联方“乙公司”\"") ||
                bytes.contains("发给杭州第1公司的询证函，回函单位“乙公司”是关联方“乙公司”"));

        for (const QStringList &wrong :
             {QStringList{QStringLiteral("flags")},
              QStringList{QStringLiteral("flags"), QStringLiteral("--ledger"), path,
                          QStringLiteral("--minutes"), QStringLiteral("0")}})
            QCOMPARE(batch(wrong).status, 2);
        run = batch({QStringLiteral("ledger"), QStringLiteral("verify"), path});
        QCOMPARE(run.status, 0);
    }
};

QTEST_GUILESS_MAIN(TestRiskFlags)
#include "test_risk_flags.moc"
