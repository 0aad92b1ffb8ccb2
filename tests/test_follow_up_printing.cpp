// Printing from the ledger: the 发函清单 of chosen letters through its shipped template (not
// recorded), and second requests through the real letter run, recorded, exported to PDF,
// scanned back and answering their first letters. Real ledger files throughout.

#include "app/Application.h"
#include "app/FollowUpPrinting.h"
#include "app/LedgerWindow.h"
#include "control/DispatchList.h"
#include "control/LedgerLetterModel.h"
#include "control/ReplyRecording.h"
#include "engine/PageRenderer.h"
#include "engine/PreviewWindow.h"
#include "ledger/LedgerStore.h"
#include "support/FakePrompts.h"
#include "support/LedgerFixtures.h"
#include "support/MessageOf.h"
#include "support/PreviewCatcher.h"
#include "support/ProgramTemplates.h"
#include "support/ScanMaker.h"
#include "table/StringGridModel.h"

#include <QAction>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList kShipped{QStringLiteral("发函清单.grf"), QStringLiteral("第二次询证函.grf")};

QString toolText(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A ledger of 'count' letters sent, each with its waybill and 发函方式.
std::unique_ptr<LedgerStore> sentLetters(const QString &path, int count)
{
    auto ledger = LedgerStore::create(path, QStringLiteral("甲公司2026年报审计"));
    ledger->recordRun(ledgerRun(), ledgerPages(1, count));
    for (int n = 1; n <= count; ++n)
        ledger->setValues(ledgerLetter(n).number,
                          {{LetterField::Waybill, QStringLiteral("SF%1").arg(700000 + n)},
                           {LetterField::SendMethod, QStringLiteral("快递")}});
    return ledger;
}

QList<LedgerLetter> lettersOf(const LedgerStore &ledger, const QList<int> &numbers)
{
    QList<LedgerLetter> letters;
    for (int n : numbers)
        letters.append(*ledger.letter(ledgerLetter(n).number));
    return letters;
}

void exportPdf(FakePrompts &prompts, PreviewWindow &preview, const QString &pdf)
{
    // The shipped template fits what it is given.
    PageRenderer renderer(preview.document());
    for (int page = 0; page < preview.document().pageCount(); ++page)
        QVERIFY2(renderer.overflowing(page).isEmpty(), qPrintable(QString::number(page)));
    prompts.openAnswers = {pdf};
    preview.findChild<QAction *>(QStringLiteral("actExportPdf"))->trigger();
}

} // namespace

class TestFollowUpPrinting : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void cleanup() { QCOMPARE(Application::escapedErrors(), 0); }

    void addressTakenFrom_data()
    {
        QTest::addColumn<QStringList>("fields"); // name, text, name, text …
        QTest::addColumn<QString>("address");
        QTest::newRow("地址") << QStringList{"地址", " 西湖路1号 "} << "西湖路1号";
        QTest::newRow("通讯地址") << QStringList{"联系人", "王五", "通讯地址", "中山路2号"}
                                  << "中山路2号";
        QTest::newRow("地址 before 收件地址")
            << QStringList{"收件地址", "甲", "地址", "乙"} << "乙";
        QTest::newRow("blank 地址 passed over")
            << QStringList{"地址", "  ", "联系地址", "丙路3号"} << "丙路3号";
        QTest::newRow("none") << QStringList{"邮箱", "a@b.cn"} << "";
    }
    void addressTakenFrom()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, address);
        LetterIdentity letter = ledgerLetter(1);
        letter.fields.clear();
        for (int i = 0; i + 1 < fields.size(); i += 2)
            letter.fields.append({fields[i], fields[i + 1]});
        QCOMPARE(DispatchList::addressOf(letter), address);
    }

    // The table the letter run reads: the four by position, then the list's columns, in the
    // order the letters were chosen; a letter without an amount still gets its row.
    void tableOfTheList()
    {
        auto ledger = sentLetters(m_dir.filePath(QStringLiteral("t.rvledger")), 3);
        LetterIdentity unpriced = ledgerLetter(9);
        unpriced.cents.reset();
        ledger->recordRun(ledgerRun(), {{unpriced, QByteArray(64, 'e'), QString()}});
        StringGridModel table;
        DispatchList::fill(table, *ledger, lettersOf(*ledger, {3, 1, 9}), scanSettings());
        QCOMPARE(table.RowCount(), 4);
        QCOMPARE(table.Cells(3, 0), QStringLiteral("函编号"));
        for (int c = 0; c < DispatchList::Columns.size(); ++c)
            QCOMPARE(table.Cells(4 + c, 0), DispatchList::Columns[c]);
        const QStringList first{
            "1",        ledgerLetter(3).number, ledgerLetter(3).customer, "西湖路3号", "快递",
            "SF700003", "甲公司2026年报审计"};
        for (int c = 0; c < first.size(); ++c)
            QCOMPARE(table.Cells(4 + c, 1), first[c]);
        QCOMPARE(table.Cells(3, 1), ledgerLetter(3).number);
        QCOMPARE(table.Cells(4, 2), QStringLiteral("2"));
        QCOMPARE(table.Cells(5, 2), ledgerLetter(1).number);
        QCOMPARE(table.Cells(2, 3), QStringLiteral("0"));
        QCOMPARE(table.Cells(9, 3), QString()); // no waybill yet
    }

    // Twenty letters on two landscape pages; the PDF shows every number and waybill, the
    // signature lines and the page count, and the ledger records no run for it.
    void dispatchListPrinted()
    {
        TemplatesInProgramDirectory templates(kShipped);
        FakePrompts prompts;
        auto ledger = sentLetters(m_dir.filePath(QStringLiteral("d.rvledger")), 20);
        QList<int> all(20);
        std::iota(all.begin(), all.end(), 1);
        const QString pdf = m_dir.filePath(QStringLiteral("发函清单.pdf"));
        const PreviewSeen seen = runAndCatchPreview(
            [&] { FollowUpPrinting::printDispatchList(nullptr, *ledger, lettersOf(*ledger, all)); },
            [&](PreviewWindow &preview) { exportPdf(prompts, preview, pdf); });
        QVERIFY2(prompts.errors().isEmpty(), qPrintable(prompts.errors().join("\n")));
        QVERIFY(seen.shown);
        QCOMPARE(seen.pages, 2);
        QCOMPARE(seen.documentName, QStringLiteral("发函清单（20 封）"));
        const QString text = toolText(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        for (int n = 1; n <= 20; ++n) {
            QVERIFY2(text.contains(ledgerLetter(n).number), qPrintable(ledgerLetter(n).number));
            QVERIFY2(text.contains(QStringLiteral("SF%1").arg(700000 + n)), qPrintable(text));
        }
        for (const char *expected : {"询证函发函清单", "甲公司2026年报审计", "快递员签字", "交接人",
                                     "第 2 页，共 2 页", "西湖路20号"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        QCOMPARE(ledger->runs().size(), 1);
    }

    // The ledger window's button lists the letters selected, or all shown when none is.
    void ledgerWindowListsTheSelection()
    {
        TemplatesInProgramDirectory templates(kShipped);
        FakePrompts prompts;
        auto ledger = sentLetters(m_dir.filePath(QStringLiteral("w.rvledger")), 4);
        LedgerWindow window(nullptr, ledger.get());
        window.show();
        auto numbersListed = [&] {
            QStringList numbers;
            runAndCatchPreview([&] { window.btnDispatchList->click(); },
                               [&](PreviewWindow &preview) {
                                   const ReportDocument &list = preview.document();
                                   const int field = list.report.fieldIndex("函证编号");
                                   for (const RecordValues &record : list.records)
                                       numbers.append(record.value(field).toString());
                               });
            return numbers;
        };
        QCOMPARE(numbersListed().size(), 4);
        const auto *model = window.tblLetters->model();
        window.tblLetters->selectionModel()->select(
            model->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        window.tblLetters->selectionModel()->select(
            model->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QStringList chosen = numbersListed();
        QCOMPARE(chosen.size(), 2);
        QCOMPARE(chosen[0], window.letters()->letterAt(1)->identity.number);
        QCOMPARE(chosen[1], window.letters()->letterAt(3)->identity.number);
        QVERIFY2(prompts.errors().isEmpty(), qPrintable(prompts.errors().join("\n")));
    }

    // A second request printed to PDF through the real run is recorded, follows its first,
    // and its page scanned back answers the first letter and no other.
    void aSecondRequestScannedAnswersTheFirst()
    {
        TemplatesInProgramDirectory templates(kShipped);
        FakePrompts prompts;
        const QString path = m_dir.filePath(QStringLiteral("s.rvledger"));
        auto ledger = sentLetters(path, 2);
        const QString first = ledgerLetter(1).number;
        ledger->setValues(first, {{LetterField::SendDate, QStringLiteral("2027-01-05")}});
        const QString pdf = m_dir.filePath(QStringLiteral("第二次询证函.pdf"));
        int recorded = 0;
        const PreviewSeen seen = runAndCatchPreview(
            [&] {
                FollowUpPrinting::printSecondRequests(nullptr, *ledger, lettersOf(*ledger, {1}),
                                                      [&] { ++recorded; });
            },
            [&](PreviewWindow &preview) { exportPdf(prompts, preview, pdf); });
        QVERIFY2(prompts.errors().isEmpty(), qPrintable(prompts.errors().join("\n")));
        QVERIFY(seen.shown);
        QCOMPARE(seen.pages, 1);
        QCOMPARE(recorded, 1);
        const std::optional<LedgerLetter> request = ledger->letter(first + QStringLiteral("-2"));
        QVERIFY(request);
        QCOMPARE(request->follows, first);
        QCOMPARE(request->identity.templateName, QStringLiteral("第二次询证函"));
        QCOMPARE(request->pageSha256.size(), 64);
        QVERIFY(ledger->verify().ok);

        const QString text = toolText(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        for (const QString &expected :
             {QStringLiteral("企业询证函（第二次）"), QStringLiteral("编号：") + first + "-2",
              QStringLiteral("原函编号：") + first, QStringLiteral("2027年1月5日"),
              QStringLiteral("至今未收到贵公司回函")})
            QVERIFY2(text.contains(expected), qPrintable(expected + "\n" + text));

        // The page as a scanner gives it back.
        const QString prefix = m_dir.filePath(QStringLiteral("回函"));
        QCOMPARE(
            QProcess::execute(QStringLiteral("pdftoppm"),
                              {QStringLiteral("-r"), QStringLiteral("200"), QStringLiteral("-png"),
                               QStringLiteral("-singlefile"), pdf, prefix}),
            0);
        QVERIFY(!ledger->letter(first)->answered);
        ReplyRecording::run(*ledger, {prefix + QStringLiteral(".png")}, QString(),
                            QDate(2027, 1, 20));
        QVERIFY(ledger->letter(first)->answered);
        QVERIFY(!ledger->letter(ledgerLetter(2).number)->answered);

        // Answered now: a further request is refused before any preview.
        const QString refused = messageOf([&] {
            FollowUpPrinting::printSecondRequests(nullptr, *ledger, lettersOf(*ledger, {1}));
        });
        QVERIFY2(refused.contains(QStringLiteral("不需要第二次询证函")), qPrintable(refused));
    }

    // The batch tool: the list of the letters given, and second requests recorded; what it
    // refuses writes nothing.
    void batchCommands_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after --ledger F --out OUT
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("shown"); // in the PDF, or in the message
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("list of two")
            << QStringList{"dispatch-list", "--letters", "HZ2026-0002,HZ2026-0001"} << 0
            << QStringList{"HZ2026-0002", "SF700002", "HZ2026-0001", "SF700001", "第 1 页，共 1 页"}
            << QStringList{"HZ2026-0003", "SF700003"};
        QTest::newRow("list of all live")
            << QStringList{"dispatch-list"} << 0 << QStringList{"HZ2026-0001", "HZ2026-0002"}
            << QStringList{"HZ2026-0003"};
        QTest::newRow("second request")
            << QStringList{"second-requests", "--letters", "HZ2026-0002"} << 0
            << QStringList{"HZ2026-0002-2", "原函编号：HZ2026-0002"} << QStringList{};
        QTest::newRow("unknown letter")
            << QStringList{"dispatch-list", "--letters", "HZ2026-0001,XX-9"} << 1
            << QStringList{"函证台账中没有函证编号为 XX-9 的询证函"} << QStringList{};
        QTest::newRow("voided letter")
            << QStringList{"second-requests", "--letters", "HZ2026-0003"} << 1
            << QStringList{"函证编号为 HZ2026-0003 的询证函已作废"} << QStringList{};
        QTest::newRow("second requests need letters")
            << QStringList{"second-requests"} << 2 << QStringList{"--letters"} << QStringList{};
    }
    void batchCommands()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, absent);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("b.rvledger"));
        sentLetters(path, 3)->voidLetter(ledgerLetter(3).number, QStringLiteral("地址有误"));
        const QString out = dir.filePath(QStringLiteral("输出.pdf"));
        QProcess batch;
        batch.start(qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/roviradavev-batch"),
                    arguments + QStringList{"--ledger", path, "--out", out});
        QVERIFY(batch.waitForFinished(60000));
        const QString error = QString::fromUtf8(batch.readAllStandardError());
        QCOMPARE(batch.exitCode(), status);
        QCOMPARE(QFileInfo::exists(out), status == 0);
        const QString text =
            status == 0 ? toolText(QStringLiteral("pdftotext"), {out, QStringLiteral("-")}) : error;
        for (const QString &expected : shown)
            QVERIFY2(text.contains(expected), qPrintable(expected + "\n" + text));
        for (const QString &unexpected : absent)
            QVERIFY2(!text.contains(unexpected), qPrintable(unexpected));
        const auto ledger = LedgerStore::open(path);
        const bool requested = arguments[0] == "second-requests" && status == 0;
        QCOMPARE(ledger->runs().size(), requested ? 2 : 1);
        if (requested)
            QCOMPARE(ledger->letter("HZ2026-0002-2")->follows, QStringLiteral("HZ2026-0002"));
    }
};

QTEST_MAIN(TestFollowUpPrinting)
#include "test_follow_up_printing.moc"
