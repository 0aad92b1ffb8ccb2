// The register and the replies out of and into real ledger files: the register read back by
// openpyxl and computed by LibreOffice, registers and dispatch lists imported, scans
// recorded, and the batch tool killed while it records.

#include "control/RegisterImport.h"
#include "control/RegisterWriter.h"
#include "control/ReplyRecording.h"
#include "control/ScannedFile.h"
#include "ledger/LetterRecordText.h"
#include "platform/Exception.h"
#include "support//LedgerFixtures.h"
#include "support/Python.h"
#include "support/Recalculated.h"
#include "support/ScanMaker.h"
#include "support/WorkbookTools.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

namespace {

using Values = QList<QPair<LetterField, QString>>;

// A ledger of 'count' letters (HZ2026-0001 on), the fields of some set as given.
std::unique_ptr<LedgerStore> ledgerWith(const QString &path, int count,
                                        const QMap<int, Values> &values = {})
{
    auto ledger = LedgerStore::create(path, QStringLiteral("杭州审计 2026"));
    ledger->recordRun(ledgerRun(), ledgerPages(1, count));
    for (auto it = values.begin(); it != values.end(); ++it)
        ledger->setValues(ledgerLetter(it.key()).number, it.value());
    return ledger;
}

// Six letters, one voided, their results: agreed, disagreed, none, returned, 未回函 typed.
std::unique_ptr<LedgerStore> keptLedger(const QString &path)
{
    auto ledger = ledgerWith(path, 6,
                             {{1,
                               {{LetterField::SendMethod, QStringLiteral("EMS")},
                                {LetterField::Waybill, QStringLiteral("1187654321")},
                                {LetterField::SendDate, QStringLiteral("2027-01-05")},
                                {LetterField::ReplyDate, QStringLiteral("2027-01-20")},
                                {LetterField::ReplyChannel, QStringLiteral("邮寄")},
                                {LetterField::ReplyAmount, QStringLiteral("1000")},
                                {LetterField::Result, QStringLiteral("相符")}}},
                              {2,
                               {{LetterField::ReplyAmount, QStringLiteral("900.5")},
                                {LetterField::Result, QStringLiteral("不符")},
                                {LetterField::DifferenceReason, QStringLiteral("在途货款")},
                                {LetterField::Alternative, QStringLiteral("检查期后回款")},
                                {LetterField::Note, QStringLiteral("已电话确认")}}},
                              {4, {{LetterField::Result, QStringLiteral("退函")}}},
                              {5, {{LetterField::Result, QStringLiteral("未回函")}}}});
    ledger->voidLetter(ledgerLetter(3).number, QStringLiteral("地址错误"));
    // A letter of another template brings a further field of its own.
    LetterIdentity other = ledgerLetter(7, 250000);
    other.templateName = QStringLiteral("往来询证函");
    other.fields = {{QStringLiteral("联系人"), QStringLiteral("王五")},
                    {QStringLiteral("地址"), QStringLiteral("湖滨路7号")}};
    ledger->recordRun(ledgerRun(), {{other, QByteArray(64, 'a')}});
    return ledger;
}

QString skippedText(const QList<SkippedRow> &rows)
{
    QStringList parts;
    for (const SkippedRow &row : rows)
        parts.append(QStringLiteral("%1:%2").arg(row.row).arg(row.reason));
    return parts.join(QLatin1Char('|'));
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

class TestLedgerControl : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    StringGridModel m_table;
    ReportDocument m_letters;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    // Letter 'n' (from 1) as a scanner gives it, as a PNG.
    QByteArray scan(int n) const { return encoded(scanned(m_letters, n - 1, 150), "PNG"); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The same numbers as the ledger's letters: HZ2026-0001 on.
        fillReceivables(m_table, 6, QStringLiteral("HZ2026"));
        m_letters = lettersOf(m_table);
    }

    // --- The register out of the ledger

    // Every live letter in the ledger's order with all it holds; the voided one left out;
    // the further fields of all templates; the log whole in 操作记录.
    void theRegisterHoldsTheLedger()
    {
        const QString file = path(QStringLiteral("holds.rvledger"));
        const auto ledger = keptLedger(file);
        const QString out = path(QStringLiteral("台账函证控制表.xlsx"));
        RegisterWriter::write(*ledger, out);
        const QJsonObject sheets = openpyxlSheets(out);
        QStringList names = sheets.keys();
        names.sort();
        QStringList expected{QStringLiteral("函证控制表"), QStringLiteral("操作记录"),
                             QStringLiteral("汇总"), QStringLiteral("风险提示")};
        expected.sort();
        QCOMPARE(names, expected);
        const QJsonArray rows = sheets.value(QStringLiteral("函证控制表")).toArray();
        QStringList titles;
        for (const QJsonValue &title : rows.at(0).toArray())
            titles.append(title.toString());
        const QStringList further{QStringLiteral("地址"), QStringLiteral("联系人")};
        QCOMPARE(titles, RegisterWriter::fixedTitles() + further + RegisterWriter::auditorTitles() +
                             RegisterWriter::judgedTitles());
        QCOMPARE(rows.size(), 1 + 6);
        // A row's cells joined by '|', numbers as JSON writes them, empty cells empty.
        auto row = [&](int r) {
            QStringList cells;
            for (const QJsonValue &cell : rows.at(r).toArray())
                cells.append(cell.isDouble() ? QString::number(cell.toDouble()) : cell.toString());
            return cells.join(QLatin1Char('|'));
        };
        QCOMPARE(row(1), QStringLiteral("1|HZ2026-0001|杭州第1公司|2026-12-31|1000|2027-01-05|"
                                        "应收帐款确认函|西湖路1号||EMS|1187654321|2027-01-20|邮寄|"
                                        "1000|=IF(N2=\"\",\"\",E2-N2)|相符|||||||||||||"
                                        "=IF(N2=\"\",\"\",N2-E2-AB2)|||||回函确认|0|"));
        QCOMPARE(row(2), QStringLiteral("2|HZ2026-0002|杭州第2公司|2026-12-31|1000||应收帐款确认函|"
                                        "西湖路2号||||||900.5|=IF(N3=\"\",\"\",E3-N3)|不符|"
                                        "在途货款|检查期后回款|已电话确认||||||||||"
                                        "=IF(N3=\"\",\"\",N3-E3-AB3)|||||调节后仍不符|99.5|"));
        // HZ2026-0003 was voided: the next row is HZ2026-0004, numbered 3.
        QCOMPARE(row(3).section(QLatin1Char('|'), 0, 1), QStringLiteral("3|HZ2026-0004"));
        QCOMPARE(row(6), QStringLiteral("6|HZ2026-0007|杭州第7公司|2026-12-31|2500||往来询证函|"
                                        "湖滨路7号|王五||||||=IF(N7=\"\",\"\",E7-N7)||||||||||||||"
                                        "=IF(N7=\"\",\"\",N7-E7-AB7)|||||未确认|2500|"));

        const QJsonArray log = sheets.value(QStringLiteral("操作记录")).toArray();
        QStringList logTitles;
        for (const QJsonValue &title : log.at(0).toArray())
            logTitles.append(title.toString());
        QCOMPARE(logTitles, RegisterWriter::logTitles());
        const QList<LogEntry> entries = ledger->log();
        QCOMPARE(log.size(), entries.size() + 1);
        for (int i : {0, int(entries.size()) - 1, int(entries.size()) / 2}) {
            const QJsonArray line = log.at(i + 1).toArray();
            const LogEntry &entry = entries[i];
            QCOMPARE(qint64(line.at(0).toInt()), entry.id);
            QCOMPARE(line.at(1).toString(),
                     entry.at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
            QCOMPARE(line.at(2).toString(), entry.user);
            QCOMPARE(line.at(3).toString(), entry.action);
            QCOMPARE(line.at(4).toString(), entry.subject);
            QCOMPARE(line.at(5).toString(), entry.field);
            QCOMPARE(line.at(7).toString(), LetterRecordText::readableValue(entry));
            QCOMPARE(line.at(8).toString().toLatin1(), entry.hash);
        }
        // A letter sent reads as words, not as the record the chain hashes.
        const auto sent = std::find_if(entries.begin(), entries.end(), [](const LogEntry &entry) {
            return entry.action == QStringLiteral("发函") &&
                   entry.subject == QStringLiteral("HZ2026-0007");
        });
        QVERIFY(sent != entries.end());
        QCOMPARE(log.at(int(sent - entries.begin()) + 1).toArray().at(7).toString(),
                 QStringLiteral("杭州第7公司；基准日 2026-12-31；金额 2,500.00；往来询证函；"
                                "联系人=王五；地址=湖滨路7号；第 2 批"));
    }

    // LibreOffice computes 汇总 from the letters, and it matches a count made here: sent =
    // answered + unanswered + returned, a letter without a result unanswered. The results
    // the file holds for readers that compute nothing are the same figures.
    void theSummaryAddsUpInLibreOffice()
    {
        const QString file = path(QStringLiteral("summary.rvledger"));
        const auto ledger = keptLedger(file);
        ledger->setValues(ledgerLetter(6).number,
                          {{LetterField::Result, QStringLiteral("已调节")},
                           {LetterField::ReplyAmount, QStringLiteral("990")}});
        const QString out = path(QStringLiteral("summary.xlsx"));
        RegisterWriter::write(*ledger, out);

        QMap<QString, QPair<double, double>> counted;
        for (const LedgerLetter &letter : ledger->letters()) {
            if (letter.voided.isValid())
                continue;
            const double amount = double(*letter.identity.cents) / 100;
            const QString result = letter.value(LetterField::Result);
            const QString line = QStringList{QStringLiteral("相符"), QStringLiteral("不符"),
                                             QStringLiteral("已调节")}
                                         .contains(result)
                                     ? QStringLiteral("已回函")
                                 : result == QStringLiteral("退函") ? QStringLiteral("退函")
                                                                    : QStringLiteral("未回函");
            for (const QString &item : {QStringLiteral("发函"), line}) {
                counted[item].first += 1;
                counted[item].second += amount;
            }
        }
        QCOMPARE(counted.value(QStringLiteral("发函")).first, 6.0);
        QCOMPARE(counted.value(QStringLiteral("未回函")).first, 2.0); // a blank and 未回函
        QCOMPARE(counted.value(QStringLiteral("退函")).first, 1.0);

        const QMap<QString, QStringList> sheets = recalculated(out);
        if (sheets.isEmpty())
            QSKIP("LibreOffice is not installed (scripts/install-deps.sh installs it)");
        const auto figures = summaryFigures(sheets.value(QStringLiteral("汇总")));
        for (const QString &item : {QStringLiteral("发函"), QStringLiteral("已回函"),
                                    QStringLiteral("未回函"), QStringLiteral("退函")})
            QVERIFY2(
                near(figures.value(item), counted.value(item).first, counted.value(item).second),
                qPrintable(item));
        QVERIFY(near(figures.value(QStringLiteral("回函相符")), 1, 1000));
        QVERIFY(near(figures.value(QStringLiteral("回函确认金额")), -1, 1000 + 900.5 + 990));
        // 差异金额 computed where a reply amount is kept.
        QCOMPARE(
            sheets.value(QStringLiteral("函证控制表")).value(2).section(QLatin1Char(','), 13, 14),
            QStringLiteral("900.5,99.5"));

        const QJsonArray cached = openpyxlSheets(out, true).value(QStringLiteral("汇总")).toArray();
        for (const QJsonValue &line : cached) {
            const QJsonArray cells = line.toArray();
            const QString item = cells.at(0).toString();
            if (item.isEmpty() || !figures.contains(item))
                continue;
            const auto figure = figures.value(item);
            if (figure.first >= 0)
                QVERIFY2(std::abs(cells.at(1).toDouble() - figure.first) < 1e-9, qPrintable(item));
            QVERIFY2(std::abs(cells.at(2).toDouble() - figure.second) < 1e-6, qPrintable(item));
        }
    }

    // --- The register into the ledger

    // Our own register taken back: every letter unchanged, nothing logged.
    void anExportedRegisterImportsUnchanged()
    {
        const auto ledger = keptLedger(path(QStringLiteral("round.rvledger")));
        const QString out = path(QStringLiteral("round.xlsx"));
        RegisterWriter::write(*ledger, out);
        const qint64 logged = ledger->logSize();
        const RegisterImport::Summary summary = RegisterImport::run(*ledger, out);
        QCOMPARE(summary.taken, 0);
        QCOMPARE(summary.unchanged, 6);
        QVERIFY(summary.skipped.isEmpty());
        QCOMPARE(ledger->logSize(), logged);
        QCOMPARE(summary.text(),
                 QStringLiteral(
                     "已从“round.xlsx”导入 0 封询证函的登记内容，6 封与函证台账相同，未改动。"));
    }

    // A register an auditor kept by hand: its name and a blank line above the titles, its
    // own columns in its own order on a sheet of another name, dates and numbers typed, a totals
    // line, a note, a row without a number and a letter the ledger does not know, each listed with
    // its reason and skipped.
    void aHandKeptRegisterIsTaken()
    {
        const QString file = path(QStringLiteral("hand.rvledger"));
        const auto ledger =
            ledgerWith(file, 4, {{4, {{LetterField::Note, QStringLiteral("原备注")}}}});
        ledger->voidLetter(ledgerLetter(4).number, QStringLiteral("重开"));
        const QString workbook = path(QStringLiteral("手工台账.xlsx"));
        writeWorkbook(workbook, QStringLiteral("回函登记"),
                      QJsonDocument::fromJson(R"([
["某公司应收账款函证登记表"],
[],
["备注", "函证编号", "被询证单位", "回函金额", "函证结果", "回函日期", "快递单号", "其他"],
["对方盖章", "HZ2026-0001", "杭州第1公司", 1000, "相符", "date:2027-01-20", 1187654321, "x"],
[null, " HZ2026-0002 ", null, "1,234.50", "不符", "2027/1/21", null, null],
[null, "HZ2026-0003", null, null, null, null, null, null],
[null, "合计", null, 2234.5, null, null, null, null],
[null, "注：金额含税", null, null, null, null, null, null],
["漏填编号", null, "某公司", 5, null, null, null, null],
[null, "HZ2026-0004", null, 7, "相符", null, null, null],
[null, "HZ2026-0099", null, 9, "相符", null, null, null]
])")
                          .array());
        const RegisterImport::Summary summary = RegisterImport::run(*ledger, workbook);
        QCOMPARE(summary.taken, 2);
        QCOMPARE(summary.unchanged, 1);
        QCOMPARE(skippedText(summary.skipped),
                 QStringLiteral("7:合计行|8:函证台账中没有函证编号“注：金额含税”|9:没有函证编号|"
                                "10:函证编号“HZ2026-0004”的询证函已作废|"
                                "11:函证台账中没有函证编号“HZ2026-0099”"));
        QVERIFY(summary.text().contains(QStringLiteral("跳过 5 行：第 7 行（合计行）、")));
        const LedgerLetter first = *ledger->letter(ledgerLetter(1).number);
        QCOMPARE(first.value(LetterField::Note), QStringLiteral("对方盖章"));
        QCOMPARE(first.value(LetterField::ReplyAmount), QStringLiteral("1000.00"));
        QCOMPARE(first.value(LetterField::Result), QStringLiteral("相符"));
        QCOMPARE(first.value(LetterField::ReplyDate), QStringLiteral("2027-01-20"));
        QCOMPARE(first.value(LetterField::Waybill), QStringLiteral("1187654321"));
        const LedgerLetter second = *ledger->letter(ledgerLetter(2).number);
        QCOMPARE(second.value(LetterField::ReplyAmount), QStringLiteral("1234.50"));
        QCOMPARE(second.value(LetterField::ReplyDate), QStringLiteral("2027-01-21"));
        QCOMPARE(
            ledger->lettersNumbered(ledgerLetter(4).number).constFirst().value(LetterField::Note),
            QStringLiteral("原备注"));
        const QList<LogEntry> log = ledger->log(ledgerLetter(2).number);
        QCOMPARE(log.constLast().action, QStringLiteral("导入"));
        QVERIFY(ledger->verify().ok);
    }

    // One value that is not valid stops the import before anything is kept, naming its
    // cell, though rows before it were good.
    void aBadValueKeepsNothing_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("amount") << QStringLiteral("回函金额") << QStringLiteral("一千元")
                                << QStringLiteral("回函金额“一千元”不是数字");
        QTest::newRow("result") << QStringLiteral("函证结果") << QStringLiteral("基本相符")
                                << QStringLiteral(
                                       "函证结果“基本相符”不在可选的结果中：相符、不符、未回函、"
                                       "退函、已调节、调节后相符");
        QTest::newRow("date") << QStringLiteral("回函日期") << QStringLiteral("2027-13-45")
                              << QStringLiteral("回函日期“2027-13-45”不是日期（例如 2026-12-31）");
        QTest::newRow("send date") << QStringLiteral("发函日期") << QStringLiteral("下周一")
                                   << QStringLiteral("发函日期“下周一”不是日期（例如 2026-12-31）");
    }
    void aBadValueKeepsNothing()
    {
        QFETCH(QString, title);
        QFETCH(QString, value);
        QFETCH(QString, message);
        const QString file = path(QStringLiteral("bad-%1.rvledger").arg(QTest::currentDataTag()));
        const auto ledger = ledgerWith(file, 3);
        const qint64 logged = ledger->logSize();
        const QString workbook = path(QStringLiteral("bad-%1.xlsx").arg(QTest::currentDataTag()));
        writeWorkbook(
            workbook, QStringLiteral("函证控制表"),
            QJsonArray{
                QJsonArray{QStringLiteral("函证编号"), QStringLiteral("备注"), title},
                QJsonArray{QStringLiteral("HZ2026-0001"), QStringLiteral("好"), QJsonValue()},
                QJsonArray{QStringLiteral("合计"), QJsonValue(), value},
                QJsonArray{QStringLiteral("HZ2026-0002"), QStringLiteral("坏"), value}});
        try {
            RegisterImport::run(*ledger, workbook);
            QFAIL("the import went on");
        } catch (const Exception &error) {
            QCOMPARE(error.message(),
                     QStringLiteral("“%1”的工作表“函证控制表”第 4 行 C 列：%2；未导入任何内容")
                         .arg(QFileInfo(workbook).fileName(), message));
        }
        QCOMPARE(ledger->logSize(), logged);
        QCOMPARE(ledger->letter(ledgerLetter(1).number)->value(LetterField::Note), QString());
    }

    // A courier's dispatch list as CSV, in the encodings Chinese offices save it with:
    // quoted fields with commas, quotes and line breaks, CRLF lines, the title row's
    // columns in any order.
    void aDispatchListIsTaken_data()
    {
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<bool>("bom");
        QTest::newRow("GB18030 as Excel saves it") << QByteArray("GB18030") << false;
        QTest::newRow("UTF-8 with its mark") << QByteArray("UTF-8") << true;
        QTest::newRow("UTF-8") << QByteArray("UTF-8") << false;
    }
    void aDispatchListIsTaken()
    {
        QFETCH(QByteArray, encoding);
        QFETCH(bool, bom);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).left(7);
        const auto ledger =
            ledgerWith(path(QStringLiteral("dispatch-%1-%2.rvledger").arg(tag).arg(bom)), 3);
        const QString text = QStringLiteral(
            "快递单号,函证编号,发函方式,发函日期,备注\r\n"
            "SF1001,HZ2026-0001,顺丰快递,2027-01-05,\"寄往财务部，张会计\"\r\n"
            "\"SF1002\",HZ2026-0002,\"顺丰\"\"次日达\"\"\",2027/1/6,\"两行\r\n地址\"\r\n"
            "合计,,,,\r\n");
        QStringEncoder encoder(encoding.constData());
        QVERIFY(encoder.isValid());
        QByteArray bytes = encoder(text);
        if (bom)
            bytes.prepend("\xEF\xBB\xBF");
        const QString csv =
            writeFile(path(QStringLiteral("发函清单-%1-%2.csv").arg(tag).arg(bom)), bytes);
        const RegisterImport::Summary summary = RegisterImport::run(*ledger, csv);
        QCOMPARE(summary.taken, 2);
        QCOMPARE(skippedText(summary.skipped), QStringLiteral("4:合计行"));
        const LedgerLetter first = *ledger->letter(ledgerLetter(1).number);
        QCOMPARE(first.value(LetterField::Waybill), QStringLiteral("SF1001"));
        QCOMPARE(first.value(LetterField::SendMethod), QStringLiteral("顺丰快递"));
        QCOMPARE(first.value(LetterField::SendDate), QStringLiteral("2027-01-05"));
        QCOMPARE(first.value(LetterField::Note), QStringLiteral("寄往财务部，张会计"));
        const LedgerLetter second = *ledger->letter(ledgerLetter(2).number);
        QCOMPARE(second.value(LetterField::SendMethod), QStringLiteral("顺丰\"次日达\""));
        QCOMPARE(second.value(LetterField::SendDate), QStringLiteral("2027-01-06"));
        QCOMPARE(second.value(LetterField::Note), QStringLiteral("两行\r\n地址"));
        QCOMPARE(ledger->letter(ledgerLetter(3).number)->value(LetterField::Waybill), QString());
    }

    // A file without a 函证编号 column names what it lacks and keeps nothing.
    void aFileWithoutNumbersIsRefused()
    {
        const auto ledger = ledgerWith(path(QStringLiteral("nonumber.rvledger")), 1);
        const QString csv = writeFile(path(QStringLiteral("无编号.csv")),
                                      QStringLiteral("编号,发函方式\nHZ2026-0001,EMS\n").toUtf8());
        QVERIFY_THROWS_EXCEPTION(Exception, RegisterImport::run(*ledger, csv));
        try {
            RegisterImport::run(*ledger, csv);
        } catch (const Exception &error) {
            QCOMPARE(error.message(),
                     QStringLiteral("“无编号.csv”前 10 行中没有“函证编号”列，无法导入函证台账"));
        }
    }

    // --- Replies into the ledger

    // Scans recorded with their file's hash, page, state, date and channel; the letters
    // answered; a second scan of the same folder reads no file again, and a new file
    // answering a letter answered before is 重复, naming the earlier page.
    void repliesAreRecordedOnce()
    {
        const QString file = path(QStringLiteral("replies.rvledger"));
        auto ledger = ledgerWith(file, 6);
        QDir(m_dir.path()).mkpath(QStringLiteral("scans"));
        const QString scans = path(QStringLiteral("scans"));
        writeFile(scans + QStringLiteral("/a.png"), scan(1));
        writePicturePdf(scans + QStringLiteral("/b.pdf"),
                        {scanned(m_letters, 1, 150), scanned(m_letters, 2, 150)}, 150);
        writeFile(scans + QStringLiteral("/c.jpg"),
                  encoded(scanned(m_letters, 0, 150), "JPEG", 90));
        QImage blank(600, 800, QImage::Format_RGB32);
        blank.fill(Qt::white);
        writeFile(scans + QStringLiteral("/d.png"), encoded(blank, "PNG"));

        const ReplyList first = ReplyRecording::run(*ledger, ScannedFile::expand({scans}),
                                                    QStringLiteral("邮寄"), QDate(2027, 1, 10));
        QStringList states;
        for (const ReplyLine &line : first.lines())
            states.append(QStringLiteral("%1 p%2 %3 %4")
                              .arg(QFileInfo(line.file).fileName())
                              .arg(line.page)
                              .arg(line.number, ReplyList::stateText(line.state)));
        QCOMPARE(states, (QStringList{QStringLiteral("a.png p1 HZ2026-0001 已匹配"),
                                      QStringLiteral("b.pdf p1 HZ2026-0002 已匹配"),
                                      QStringLiteral("b.pdf p2 HZ2026-0003 已匹配"),
                                      QStringLiteral("c.jpg p1 HZ2026-0001 重复"),
                                      QStringLiteral("d.png p1  未识别")}));
        const QList<ReplyPageRecord> recorded = ledger->replies();
        QCOMPARE(int(recorded.size()), 5);
        QFile bFile(scans + QStringLiteral("/b.pdf"));
        bFile.open(QIODevice::ReadOnly);
        QCOMPARE(recorded[1].fileSha256,
                 QCryptographicHash::hash(bFile.readAll(), QCryptographicHash::Sha256).toHex());
        QCOMPARE(recorded[2].page, 2);
        QCOMPARE(recorded[3].state, QStringLiteral("重复"));
        QCOMPARE(recorded[4].state, QStringLiteral("未识别"));
        for (int n : {1, 2, 3}) {
            const LedgerLetter letter = *ledger->letter(ledgerLetter(n).number);
            QVERIFY(letter.answered);
            QCOMPARE(letter.value(LetterField::ReplyDate), QStringLiteral("2027-01-10"));
            QCOMPARE(letter.value(LetterField::ReplyChannel), QStringLiteral("邮寄"));
        }
        QVERIFY(!ledger->letter(ledgerLetter(4).number)->answered);
        QCOMPARE(int(first.unanswered().size()), 3);

        // The same folder again, in a new session: every file skipped before it is read.
        ledger.reset();
        ledger = LedgerStore::open(file);
        const qint64 logged = ledger->logSize();
        const ReplyList again =
            ReplyRecording::run(*ledger, ScannedFile::expand({scans}), QString(), std::nullopt);
        QCOMPARE(int(again.lines().size()), 4);
        for (const ReplyLine &line : again.lines()) {
            QCOMPARE(line.state, ReplyState::SameFile);
            QCOMPARE(line.note, ReplyRecording::recordedNote());
        }
        QCOMPARE(ledger->logSize(), logged);
        // Answered in the ledger: not unanswered in a list that read nothing of them.
        QCOMPARE(int(again.unanswered().size()), 3);

        // A new reply to letter 2, and one to letter 4 dated by its file.
        const QString late = writeFile(path(QStringLiteral("e.png")), scan(2));
        const QString fourth = writeFile(path(QStringLiteral("f.png")), scan(4));
        QFile stamped(fourth);
        stamped.open(QIODevice::ReadWrite);
        QVERIFY(stamped.setFileTime(QDateTime(QDate(2027, 2, 3), QTime(10, 0)),
                                    QFileDevice::FileModificationTime));
        stamped.close();
        const ReplyList later =
            ReplyRecording::run(*ledger, {late, fourth}, QString(), std::nullopt);
        QCOMPARE(later.lines().at(0).state, ReplyState::Duplicate);
        QCOMPARE(later.lines().at(0).note, QStringLiteral("函证台账中已有回函（“b.pdf”第 1 页）"));
        QCOMPARE(later.lines().at(1).state, ReplyState::Matched);
        const LedgerLetter answered = *ledger->letter(ledgerLetter(4).number);
        QCOMPARE(answered.value(LetterField::ReplyDate), QStringLiteral("2027-02-03"));
        QCOMPARE(answered.value(LetterField::ReplyChannel), QString());
        QVERIFY(ledger->verify().ok);
    }

    // A read-only ledger is refused before any file is read.
    void aReadOnlyLedgerRecordsNothing()
    {
        const QString file = path(QStringLiteral("readonly.rvledger"));
        ledgerWith(file, 1);
        QFile::setPermissions(file, QFileDevice::ReadOwner);
        if (QFileInfo(file).isWritable())
            QSKIP("running as root: every file is writable");
        auto ledger = LedgerStore::open(file);
        QVERIFY_THROWS_EXCEPTION(
            Exception,
            ReplyRecording::run(*ledger, {path(QStringLiteral("e.png"))}, QString(), std::nullopt));
    }

    // --- The batch tool

    void theBatchToolMovesTheRegister()
    {
        const QString file = path(QStringLiteral("batch.rvledger"));
        keptLedger(file);
        const QString out = path(QStringLiteral("batch.xlsx"));
        BatchRun run = batch({QStringLiteral("register"), QStringLiteral("--ledger"), file,
                              QStringLiteral("--out"), out});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith(QStringLiteral("已将函证台账")));
        QVERIFY(QFileInfo::exists(out));
        run = batch({QStringLiteral("ledger"), QStringLiteral("export"), file,
                     path(QStringLiteral("b2.xlsx"))});
        QCOMPARE(run.status, 0);
        QCOMPARE(openpyxlSheets(path(QStringLiteral("b2.xlsx"))), openpyxlSheets(out));

        const QString csv = writeFile(path(QStringLiteral("发函.csv")),
                                      QStringEncoder("GB18030")(QStringLiteral(
                                          "函证编号,发函方式\r\nHZ2026-0005,EMS\r\n合计,\r\n")));
        run = batch({QStringLiteral("ledger"), QStringLiteral("import-register"), file, csv});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out,
                 QStringLiteral("跳过第 3 行：合计行\n已从“发函.csv”导入 1 封询证函的登记内容，"
                                "0 封与函证台账相同，未改动；跳过 1 行：第 3 行（合计行）。\n"));
        const QString bad =
            writeFile(path(QStringLiteral("坏.csv")),
                      QStringLiteral("函证编号,回函金额\nHZ2026-0005,多少\n").toUtf8());
        run = batch({QStringLiteral("ledger"), QStringLiteral("import-register"), file, bad});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.error.contains(QStringLiteral("第 2 行 B 列：回函金额“多少”不是数字")),
                 qPrintable(run.error));
        QCOMPARE(
            LedgerStore::open(file)->letter(ledgerLetter(5).number)->value(LetterField::SendMethod),
            QStringLiteral("EMS"));
    }

    void theBatchToolSaysWhatIsWrong_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("two sources")
            << QStringList{QStringLiteral("replies"),    QStringLiteral("--ledger"),
                           QStringLiteral("x.rvledger"), QStringLiteral("--register"),
                           QStringLiteral("r.xlsx"),     QStringLiteral("s.png")}
            << QStringLiteral("请给出 --register、--workbook 或 --ledger 之一");
        QTest::newRow("bad date")
            << QStringList{QStringLiteral("replies"),    QStringLiteral("--ledger"),
                           QStringLiteral("x.rvledger"), QStringLiteral("--received"),
                           QStringLiteral("2027/1/1"),   QStringLiteral("s.png")}
            << QStringLiteral("--received 的日期“2027/1/1”无效，应写作 yyyy-mm-dd");
        QTest::newRow("channel without ledger")
            << QStringList{QStringLiteral("replies"), QStringLiteral("--register"),
                           QStringLiteral("r.xlsx"),  QStringLiteral("--channel"),
                           QStringLiteral("邮寄"),    QStringLiteral("s.png")}
            << QStringLiteral("--channel 和 --received 只用于记入函证台账（--ledger）");
        QTest::newRow("register with both")
            << QStringList{QStringLiteral("register"),   QStringLiteral("--ledger"),
                           QStringLiteral("x.rvledger"), QStringLiteral("book.xls"),
                           QStringLiteral("--out"),      QStringLiteral("o.xlsx")}
            << QStringLiteral("参数个数不对");
        QTest::newRow("export without file")
            << QStringList{QStringLiteral("ledger"), QStringLiteral("export"),
                           QStringLiteral("x.rvledger")}
            << QStringLiteral("参数个数不对");
    }
    void theBatchToolSaysWhatIsWrong()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const BatchRun run = batch(arguments);
        QCOMPARE(run.status, 2);
        QCOMPARE(run.error.section(QLatin1Char('\n'), 0, 0), message);
    }

    // The batch tool killed at random moments while it records: the ledger stays whole and
    // verified, every file recorded whole or not at all; a run after a kill goes on where
    // the killed one stopped, and in the end every file is recorded once.
    void aKilledScanLeavesWholeFiles()
    {
        const QString base = path(QStringLiteral("killed-base.rvledger"));
        ledgerWith(base, 6);
        const QString scans = path(QStringLiteral("killed"));
        QDir(m_dir.path()).mkpath(QStringLiteral("killed"));
        constexpr int files = 10;
        QHash<QByteArray, int> pagesOf;
        int pageCount = 0;
        for (int f = 0; f < files; ++f) {
            QList<QImage> pages;
            for (int p = 0; p <= f % 3; ++p)
                pages.append(noisy(scanned(m_letters, (f + p) % 6, 150), 10, quint32(f * 10 + p)));
            const QString name = scans + QStringLiteral("/%1.pdf").arg(f, 2, 10, QLatin1Char('0'));
            writePicturePdf(name, pages, 150);
            QFile written(name);
            written.open(QIODevice::ReadOnly);
            pagesOf.insert(
                QCryptographicHash::hash(written.readAll(), QCryptographicHash::Sha256).toHex(),
                int(pages.size()));
            pageCount += int(pages.size());
        }
        // The files recorded, each with all its pages; -1 when the ledger is not whole.
        auto check = [&](const QString &file) {
            auto ledger = LedgerStore::open(file); // rolls back what a killed writer left
            if (!ledger->verify().ok ||
                scalar(file, QStringLiteral("PRAGMA integrity_check")) != QStringLiteral("ok"))
                return -1;
            QHash<QByteArray, int> counted;
            for (const ReplyPageRecord &page : ledger->replies())
                ++counted[page.fileSha256];
            for (auto it = counted.begin(); it != counted.end(); ++it)
                if (it.value() != pagesOf.value(it.key()))
                    return -1;
            return int(counted.size());
        };
        const QStringList arguments{QStringLiteral("replies"), QStringLiteral("--ledger")};
        // How long a whole run takes here, so the kills fall within one.
        const QString timed = path(QStringLiteral("killed-timed.rvledger"));
        QVERIFY(QFile::copy(base, timed));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(batch(arguments + QStringList{timed, scans}).status, 0);
        const qint64 whole = timer.elapsed();
        QCOMPARE(check(timed), files);

        QRandomGenerator random(20270110);
        int cutShort = 0;
        QString file;
        for (int round = 0; round < 6; ++round) {
            // Each round from the start, so that each kill falls within a scan of every file.
            file = path(QStringLiteral("killed-%1.rvledger").arg(round));
            QVERIFY(QFile::copy(base, file));
            QProcess process;
            process.start(batchProgram(), arguments + QStringList{file, scans});
            QVERIFY(process.waitForStarted());
            QThread::msleep(quint64(random.bounded(whole / 10, whole * 9 / 10 + 1)));
            ::kill(pid_t(process.processId()), SIGKILL);
            process.waitForFinished();
            const int recorded = check(file);
            QVERIFY(recorded >= 0);
            cutShort += recorded < files ? 1 : 0;
        }
        QVERIFY2(cutShort > 0, "no kill fell within a scan");
        // The last ledger killed, scanned again: the rest recorded, none twice.
        QCOMPARE(batch(arguments + QStringList{file, scans}).status, 0);
        QCOMPARE(check(file), files);
        QCOMPARE(int(LedgerStore::open(file)->replies().size()), pageCount);
    }
};

QTEST_MAIN(TestLedgerControl)
#include "test_ledger_control.moc"
