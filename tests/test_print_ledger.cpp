// The desktop print run with a ledger open: the preview shows only letters the ledger can
// take, and every print or export from it is recorded. A real ledger file throughout.

#include "app/Application.h"
#include "app/Tfrmmain.h"
#include "engine/PdfExport.h"
#include "engine/PreviewWindow.h"
#include "ledger/LedgerStore.h"
#include "report/LetterRows.h"
#include "support/FakePrompts.h"
#include "support/LedgerFixtures.h"
#include "support/PreviewCatcher.h"
#include "support/ProgramTemplates.h"
#include "table/StringGridModel.h"

#include <QAction>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

const RegionalSettings &chineseSettings()
{
    static const RegionalSettings settings =
        RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
    return settings;
}

QString sample()
{
    return qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/导入模板.xls");
}

// The main window with the sample workbook imported and the ledger at 'path' open.
struct Desk
{
    TemplatesInProgramDirectory templates;
    FakePrompts prompts;
    Tfrmmain window;
    explicit Desk(const QString &ledger)
    {
        window.regionalSettings = &chineseSettings();
        window.show();
        prompts.openAnswers = {sample()};
        window.btnImport->click();
        if (!ledger.isEmpty())
            window.setLedger(LedgerStore::open(ledger));
    }
    void trigger(PreviewWindow &preview, const char *action)
    {
        preview.findChild<QAction *>(QLatin1String(action))->trigger();
    }
};

QByteArray fileSha(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return PdfExport::sha256Hex(file.readAll());
}

} // namespace

class TestPrintLedger : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QCOMPARE(Application::escapedErrors(), 0); }

    // One PDF, then one PDF per letter: two runs, the second reprinting every letter with
    // the hashes of the files it wrote.
    void exportsAreRecorded()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("审计项目.rvledger");
        LedgerStore::create(path, "审计项目");
        Desk desk(path);
        const QString pdf = dir.filePath("询证函.pdf"), folder = dir.filePath("分页");
        QDir().mkpath(folder);
        const PreviewSeen seen = runAndCatchPreview([&] { desk.window.btnPrint->click(); },
                                                    [&](PreviewWindow &preview) {
                                                        desk.prompts.openAnswers = {pdf, folder};
                                                        desk.trigger(preview, "actExportPdf");
                                                        desk.trigger(preview, "actExportEach");
                                                    });
        QVERIFY(seen.shown);
        QVERIFY2(desk.prompts.errors().isEmpty(), qPrintable(desk.prompts.errors().join("\n")));
        LedgerStore &ledger = *desk.window.ledger();
        const QList<LedgerRun> runs = ledger.runs();
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs[0].kind, QStringLiteral("PDF"));
        QCOMPARE(runs[0].output, pdf);
        QCOMPARE(runs[0].letters, 12);
        QCOMPARE(runs[0].templateName, QStringLiteral("应收帐款确认函"));
        QCOMPARE(runs[1].kind, QStringLiteral("分页PDF"));
        QCOMPARE(runs[1].output, folder);
        QCOMPARE(runs[1].reprints, 12);
        const std::optional<LedgerLetter> last = ledger.letter("YS-2025-012");
        QVERIFY(last);
        QCOMPARE(last->identity.customer, QStringLiteral("青岛海湾食品有限公司"));
        QCOMPARE(last->reprints, 1);
        // The reprint's page is the file on disk.
        const QList<LogEntry> log = ledger.log("YS-2025-012");
        QCOMPARE(log.last().action, QStringLiteral("重印"));
        QVERIFY2(log.last().newValue.contains(
                     QString::fromLatin1(fileSha(folder + QStringLiteral("/YS-2025-012.pdf")))),
                 qPrintable(log.last().newValue));
        QVERIFY(ledger.verify().ok);
    }

    // The preview does not show letters the ledger cannot take, and says why.
    void refusedBeforeThePreview_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("said");
        QTest::newRow("number sent with other content")
            << false
            << QStringLiteral(
                   "（YS-2025-003）的函证编号已按其他内容发出过，已发出的询证函不能"
                   "改动；如确需重发，请先在函证台账中作废原来的询证函。未打印任何询证函");
        QTest::newRow("read-only ledger")
            << true << QStringLiteral("无法记录本次发函；未打印任何询证函");
    }
    void refusedBeforeThePreview()
    {
        QFETCH(bool, readOnly);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString path = dir.filePath("审计项目.rvledger");
        {
            const auto ledger = LedgerStore::create(path, "审计项目");
            SentPage other{ledgerLetter(3), QByteArray(64, 'f')};
            other.identity.number = QStringLiteral("YS-2025-003");
            ledger->recordRun(ledgerRun(), {other});
        }
        if (readOnly)
            QFile::setPermissions(path, QFileDevice::ReadOwner);
        Desk desk(path);
        const PreviewSeen seen = runAndCatchPreview([&] { desk.window.btnPrint->click(); });
        QVERIFY(!seen.shown);
        QCOMPARE(desk.prompts.errors().size(), 1);
        QVERIFY2(desk.prompts.errors()[0].contains(said), qPrintable(desk.prompts.errors()[0]));
        if (!readOnly) {
            // Named by its row, as the sheet numbers it.
            const StringGridModel &table = *desk.window.table();
            const LetterRows rows(table);
            QVERIFY(desk.prompts.errors()[0].startsWith(LetterRows::place(table, rows.rows()[2]) +
                                                        QStringLiteral("（YS-2025-003）")));
        }
        QCOMPARE(desk.window.ledger()->runs().size(), 1);
    }

    // Another program sends a number between the check and the export: the file is written,
    // the error box says the run is not in the ledger, and the ledger holds nothing of it.
    void anExportNotRecordedIsSaid()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("审计项目.rvledger");
        LedgerStore::create(path, "审计项目");
        Desk desk(path);
        const QString pdf = dir.filePath("询证函.pdf");
        const PreviewSeen seen =
            runAndCatchPreview([&] { desk.window.btnPrint->click(); },
                               [&](PreviewWindow &preview) {
                                   SentPage other{ledgerLetter(5), QByteArray(64, 'e')};
                                   other.identity.number = QStringLiteral("YS-2025-005");
                                   LedgerStore::open(path)->recordRun(ledgerRun(), {other});
                                   desk.prompts.openAnswers = {pdf};
                                   desk.trigger(preview, "actExportPdf");
                               });
        QVERIFY(seen.shown);
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(desk.prompts.errors().size(), 1);
        QVERIFY2(desk.prompts.errors()[0].startsWith(
                     QStringLiteral("询证函已导出，但未能记入函证台账：函证编号 YS-2025-005 "
                                    "已按其他内容发出过")),
                 qPrintable(desk.prompts.errors()[0]));
        QCOMPARE(desk.window.ledger()->runs().size(), 1);
        QCOMPARE(desk.window.ledger()->letterCount(), 1);
    }

    // Without a ledger the run is as it was: no check, nothing recorded, no error.
    void withoutALedgerNothingChanges()
    {
        QTemporaryDir dir;
        Desk desk{QString()};
        const QString pdf = dir.filePath("询证函.pdf");
        const PreviewSeen seen = runAndCatchPreview([&] { desk.window.btnPrint->click(); },
                                                    [&](PreviewWindow &preview) {
                                                        desk.prompts.openAnswers = {pdf};
                                                        desk.trigger(preview, "actExportPdf");
                                                    });
        QVERIFY(seen.shown);
        QVERIFY(QFile::exists(pdf));
        QVERIFY(desk.prompts.errors().isEmpty());
        QCOMPARE(desk.prompts.shown.last().kind, QStringLiteral("inform"));
    }
};

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // remembered folders stay out of ~/.config
    app.setQuitOnLastWindowClosed(false);
    TestPrintLedger test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_print_ledger.moc"
