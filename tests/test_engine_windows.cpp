// The engine's windows with a caller that is not the letter program: a shipping label
// previews, exports one file per page named by its own field, and speaks the caller's words.

#include "engine/PageView.h"
#include "engine/PdfExport.h"
#include "engine/PreviewWindow.h"
#include "engine/PrintJob.h"
#include "engine/ReportEngine.h"
#include "platform/Exception.h"
#include "platform/FontSetup.h"
#include "platform/Guard.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QWheelEvent>

namespace {

ReportTemplate shippingLabel()
{
    ReportTemplate label;
    label.title = QStringLiteral("快递面单");
    label.page.widthMm = 100;
    label.page.heightMm = 150;
    label.fields = {{QStringLiteral("运单号"), FieldType::Text},
                    {QStringLiteral("收件人"), FieldType::Text},
                    {QStringLiteral("重量"), FieldType::Number}};
    ReportElement to;
    to.rectMm = QRectF(5, 5, 90, 10);
    to.text = QStringLiteral("收件人：{收件人}");
    ReportElement weight;
    weight.kind = ElementKind::Field;
    weight.rectMm = QRectF(5, 20, 90, 10);
    weight.field = QStringLiteral("重量");
    weight.format = QStringLiteral("0.0");
    ReportElement waybill;
    waybill.rectMm = QRectF(5, 35, 90, 10);
    waybill.text = QStringLiteral("运单号 {运单号}");
    label.elements = {to, weight, waybill};
    return label;
}

ReportDocument labels(const QList<QStringList> &rows)
{
    ReportEngine engine;
    engine.setReportTemplate(shippingLabel());
    engine.setTitle(QStringLiteral("面单预览"));
    engine.setFetchRecordHandler([&] {
        for (const QStringList &row : rows) {
            engine.DetailRecords().AddRecord();
            engine.LookupField(QStringLiteral("运单号")).SetText(row[0]);
            engine.LookupField(QStringLiteral("收件人")).SetText(row[1]);
            engine.LookupField(QStringLiteral("重量")).SetNumber(row[2].toDouble());
            engine.DetailRecords().CommitRecord();
        }
    });
    return engine.generate(QDate(2026, 12, 8));
}

DocumentWording labelWording()
{
    DocumentWording wording;
    wording.unit = QStringLiteral("张");
    wording.noun = QStringLiteral("面单");
    wording.runName = QStringLiteral("面单");
    wording.emptyText = QStringLiteral("没有要打印的面单。");
    wording.fileNameField = QStringLiteral("运单号");
    return wording;
}

// Every text the window shows in its tool bar and labels.
QStringList visibleTexts(const QWidget &window)
{
    QStringList texts{window.windowTitle()};
    for (const QAction *action : window.findChildren<QAction *>())
        texts.append(action->text());
    for (const QLabel *label : window.findChildren<QLabel *>())
        texts.append(label->text());
    return texts;
}

} // namespace

// Prompts that note whether a progress window was still there when a box came up.
class ProgressWatchingPrompts : public FakePrompts
{
public:
    int boxesOverProgress = 0;
    void inform(QWidget *owner, const QString &caption, const QString &text) override
    {
        note();
        FakePrompts::inform(owner, caption, text);
    }
    void showError(QWidget *owner, const QString &caption, const QString &text) override
    {
        note();
        FakePrompts::showError(owner, caption, text);
    }

private:
    void note()
    {
        for (QWidget *w : QApplication::allWidgets())
            if (qobject_cast<QProgressDialog *>(w))
                ++boxesOverProgress;
    }
};

class TestEngineWindows : public QObject
{
    Q_OBJECT
private slots:
    void labelPreviewsInItsCallersWords()
    {
        PreviewWindow preview(labels({{"SF001", "张三", "1.5"}, {"SF002", "李四", "0.8"}}),
                              labelWording());
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QCOMPARE(preview.windowTitle(), QStringLiteral("面单预览"));
        QCOMPARE(preview.document().pageCount(), 2);
        QCOMPARE(preview.findChild<QAction *>(QStringLiteral("actExportEach"))->text(),
                 QStringLiteral("逐张导出PDF…"));
        const QString shown = visibleTexts(preview).join(QLatin1Char('|'));
        QVERIFY2(!shown.contains(QStringLiteral("询证函")) && !shown.contains(QStringLiteral("封")),
                 qPrintable(shown));
        // The page is drawn: something dark on the first page of the label.
        const QImage page = preview.pageView()->grab().toImage();
        int dark = 0;
        for (int y = 0; y < page.height(); y += 2)
            for (int x = 0; x < page.width(); x += 2)
                dark += qGray(page.pixel(x, y)) < 128;
        QVERIFY(dark > 20);
    }

    void emptyLabelRunShowsTheCallersMessage()
    {
        PreviewWindow preview(labels({}), labelWording());
        QCOMPARE(preview.pageView()->emptyText(), QStringLiteral("没有要打印的面单。"));
        QCOMPARE(preview.findChild<QLabel *>(QStringLiteral("lblPage"))->text(),
                 QStringLiteral("没有面单"));
        QVERIFY(!preview.findChild<QAction *>(QStringLiteral("actExportEach"))->isEnabled());
    }

    void neutralWordingByDefault()
    {
        PreviewWindow preview(labels({}));
        QCOMPARE(preview.pageView()->emptyText(), QStringLiteral("没有可显示的页。"));
        QCOMPARE(preview.findChild<QAction *>(QStringLiteral("actExportEach"))->text(),
                 QStringLiteral("逐页导出PDF…"));
    }

    void exportsOneFilePerPageNamedByTheCallersField()
    {
        FakePrompts prompts;
        QTemporaryDir dir;
        PreviewWindow preview(
            labels({{"SF001", "张三", "1.5"}, {"", "李四", "0.8"}, {"SF003", "王五", "2"}}),
            labelWording());
        prompts.openAnswers = {dir.path()};
        preview.exportEachPdf();
        // The caller's field is offered first; the empty waybill is named by its ordinal.
        QCOMPARE(prompts.shown[0].kind, QStringLiteral("choose"));
        QCOMPARE(prompts.shown[0].caption, QStringLiteral("逐张导出PDF"));
        QCOMPARE(prompts.shown[1].kind, QStringLiteral("dir"));
        QCOMPARE(prompts.shown[2].kind, QStringLiteral("ask"));
        QVERIFY2(prompts.shown[2].text.contains(QStringLiteral("“运单号”为空：第2张")),
                 qPrintable(prompts.shown[2].text));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 (QStringList{"SF001.pdf", "SF003.pdf", "第2张.pdf"}));
        QCOMPARE(prompts.shown.last().text,
                 QStringLiteral("已将 3 张面单分别导出到“%1”。").arg(dir.path()));

        auto text = [&](const QString &file) {
            QProcess pdftotext;
            pdftotext.start(QStringLiteral("pdftotext"), {dir.filePath(file), QStringLiteral("-")});
            pdftotext.waitForFinished(30000);
            return QString::fromUtf8(pdftotext.readAllStandardOutput());
        };
        const QString page = text(QStringLiteral("SF003.pdf"));
        QVERIFY2(page.contains(QStringLiteral("收件人：王五")), qPrintable(page));
        QVERIFY2(page.contains(QStringLiteral("2.0")), qPrintable(page));
        QVERIFY(text(QStringLiteral("SF001.pdf")).contains(QStringLiteral("收件人：张三")));
        QVERIFY(text(QStringLiteral("第2张.pdf")).contains(QStringLiteral("收件人：李四")));
    }

    // A waybill too long for a file name (300 bytes of UTF-8) is cut short, still told
    // from the others, and the notice says which.
    void aNameTooLongIsCutShortAndSaid()
    {
        FakePrompts prompts;
        QTemporaryDir dir;
        const QString waybill = QString(QStringLiteral("运单")).repeated(50);
        PreviewWindow preview(
            labels({{waybill, "张三", "1.5"}, {waybill, "李四", "0.8"}, {"SF003", "王五", "2"}}),
            labelWording());
        prompts.openAnswers = {dir.path()};
        preview.exportEachPdf();
        QVERIFY(prompts.errors().isEmpty());
        QStringList expected{waybill.left(83) + QStringLiteral(".pdf"),
                             waybill.left(83) + QStringLiteral("-2.pdf"),
                             QStringLiteral("SF003.pdf")};
        std::sort(expected.begin(), expected.end());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), expected);
        QCOMPARE(prompts.shown.last().text,
                 QStringLiteral("已将 3 张面单分别导出到“%1”。\n第1张、第2张的文件名过长，已缩短到 "
                                "255 字节以内。")
                     .arg(dir.path()));
    }

    void progressIsGoneBeforeAnyNoticeOrError()
    {
        ProgressWatchingPrompts prompts;
        QTemporaryDir dir;
        PreviewWindow preview(labels({{"SF001", "张三", "1.5"}, {"SF002", "李四", "0.8"}}),
                              labelWording());
        prompts.openAnswers = {dir.filePath(QStringLiteral("面单.pdf")), dir.path(),
                               QStringLiteral("/nonexistent-folder/面单.pdf")};
        preview.exportPdf();                                                     // done
        preview.exportEachPdf();                                                 // done
        preview.findChild<QAction *>(QStringLiteral("actExportPdf"))->trigger(); // failed
        QCOMPARE(prompts.errors().size(), 1);
        QCOMPARE(prompts.shown.count(), 7); // save, inform; choose, dir, inform; save, error
        QCOMPARE(prompts.boxesOverProgress, 0);
    }

    void aCancelledExportLeavesTheFolderAsItWas()
    {
        QTemporaryDir dir;
        {
            QFile old(dir.filePath(QStringLiteral("SF001.pdf")));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an earlier export");
        }
        const ReportDocument document =
            labels({{"SF001", "张三", "1"}, {"SF002", "李四", "2"}, {"SF003", "王五", "3"}});
        const QStringList names{"SF001", "SF002", "SF003"};
        bool aborted = false;
        try {
            PdfExport::writeEach(document, dir.path(), names,
                                 [](int done, int) { return done < 3; });
        } catch (const EAbort &) {
            aborted = true;
        }
        QVERIFY(aborted);
        QDir folder(dir.path());
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"SF001.pdf"});
        QFile old(dir.filePath(QStringLiteral("SF001.pdf")));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("an earlier export"));

        PdfExport::writeEach(document, dir.path(), names);
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{"SF001.pdf", "SF002.pdf", "SF003.pdf"}));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("SF001.pdf"))).size() > 1000);
    }

    void withoutAPrinterThePdfExportIsOffered()
    {
        FakePrompts prompts;
        PrintJob::setPrinterCheck([] { return false; });
        const auto restore = qScopeGuard([] { PrintJob::setPrinterCheck({}); });
        QTemporaryDir dir;
        PreviewWindow preview(labels({{"SF001", "张三", "1.5"}}), labelWording());
        prompts.answerOk = false;
        preview.findChild<QAction *>(QStringLiteral("actPrint"))->trigger();
        QCOMPARE(prompts.shown.size(), 1);
        QVERIFY(prompts.shown[0].text.contains(QStringLiteral("没有安装打印机")));
        QVERIFY(QDir(dir.path()).isEmpty());
        prompts.answerOk = true;
        prompts.openAnswers = {dir.filePath(QStringLiteral("面单.pdf"))};
        preview.findChild<QAction *>(QStringLiteral("actPrint"))->trigger();
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("面单.pdf"))));
    }

    // Pages whose texts do not fit are counted and named in the tool bar before anything is
    // printed.
    void textsThatDoNotFitAreCounted()
    {
        const QString endless = QString(QStringLiteral("收件人很长的名字")).repeated(60);
        PreviewWindow preview(
            labels({{"SF001", endless, "1"}, {"SF002", "李四", "2"}, {"SF003", endless, "3"}}),
            labelWording());
        auto *said = preview.findChild<QLabel *>(QStringLiteral("lblOverflow"));
        QVERIFY(said);
        QCOMPARE(said->text(), QStringLiteral("有 2 张面单的文字放不下，缩到最小字号仍超出框："
                                              "第1张（SF001）、第3张（SF003）"));
        PreviewWindow fine(labels({{"SF001", "张三", "1"}}), labelWording());
        QVERIFY(fine.findChild<QLabel *>(QStringLiteral("lblOverflow"))->text().isEmpty());
    }

    void zoomKeysAndTheWheel()
    {
        PreviewWindow preview(labels({{"SF001", "张三", "1"}, {"SF002", "李四", "2"}}),
                              labelWording());
        preview.resize(900, 700);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        PageView *view = preview.pageView();
        auto *zoom = preview.findChild<QComboBox *>(QStringLiteral("cbbZoom"));
        zoom->setCurrentText(QStringLiteral("100%"));
        QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(view->effectivePercent(), 125);
        QCOMPARE(zoom->currentText(), QStringLiteral("125%"));
        // The key marked + and = as it comes: alone, with Shift (most keyboards' Ctrl and +),
        // and the keypad's.
        QTest::keyClick(view, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(view->effectivePercent(), 150);
        QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view->effectivePercent(), 200);
        QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(view->effectivePercent(), 300);
        QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
        QTest::keyClick(view, Qt::Key_Underscore, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(view->effectivePercent(), 125);
        QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(view->effectivePercent(), 75);
        QCOMPARE(zoom->currentText(), QStringLiteral("75%"));
        QWheelEvent up(QPointF(100, 100), view->mapToGlobal(QPointF(100, 100)), QPoint(),
                       QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &up);
        QCOMPARE(view->effectivePercent(), 100);
        QCOMPARE(view->page(), 0); // Ctrl+wheel zooms, it does not turn pages
        QTest::keyClick(view, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(zoom->currentText(), QStringLiteral("整页"));
        QVERIFY(view->pageSizePixels().height() <= view->viewport()->height());
        // The plain wheel at the foot of a whole page goes on to the next page.
        QWheelEvent down(QPointF(100, 100), view->mapToGlobal(QPointF(100, 100)), QPoint(),
                         QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &down);
        QCOMPARE(view->page(), 1);
    }

    void exportDialogsOpenWhereTheLastExportWent()
    {
        FakePrompts prompts;
        QTemporaryDir first, second;
        PreviewWindow preview(labels({{"SF001", "张三", "1.5"}}), labelWording());
        prompts.openAnswers = {first.filePath(QStringLiteral("一.pdf")), second.path()};
        preview.exportPdf();
        preview.exportEachPdf();
        prompts.shown.clear();
        prompts.openAnswers = {QString(), QString()}; // both cancelled
        preview.exportPdf();
        preview.exportEachPdf();
        QCOMPARE(prompts.shown[0].kind, QStringLiteral("save"));
        QCOMPARE(prompts.shown[0].text,
                 QDir(first.path()).filePath(QStringLiteral("快递面单.pdf")));
        QCOMPARE(prompts.shown.last().kind, QStringLiteral("dir"));
        QCOMPARE(prompts.shown.last().text, second.path());
    }

    // A page by itself in memory is the file one PDF per page writes for it, and the hashes
    // handed back are those of the files on disk. The PDFs say when they were made (to the
    // second), so a pair made across a second's turn is made again.
    void eachPageIsTheFileWrittenForIt()
    {
        const ReportDocument document =
            labels({{"SF001", "张三", "1.5"}, {"SF002", "李四", "0.8"}, {"SF003", "王五", "2"}});
        bool same = false;
        for (int attempt = 0; attempt < 5 && !same; ++attempt) {
            QTemporaryDir dir;
            QList<QByteArray> hashes;
            PdfExport::writeEach(document, dir.path(), {"a", "b", "c"}, {}, &hashes);
            QList<QByteArray> pages(document.pageCount());
            PdfExport::eachPage(document,
                                [&](int page, const QByteArray &pdf) { pages[page] = pdf; });
            QCOMPARE(hashes.size(), 3);
            same = true;
            for (int page = 0; page < 3; ++page) {
                QFile file(dir.filePath(QStringList{"a", "b", "c"}[page] + ".pdf"));
                QVERIFY(file.open(QIODevice::ReadOnly));
                const QByteArray written = file.readAll();
                QCOMPARE(hashes[page],
                         QCryptographicHash::hash(written, QCryptographicHash::Sha256).toHex());
                QCOMPARE(PdfExport::sha256Hex(written), hashes[page]);
                same = same && pages[page] == written;
            }
        }
        QVERIFY(same);
    }

    // What the preview put out reaches its caller after the output is done and before the
    // user is told; what the caller raises then reaches the error box, the files still there.
    void outputsAreToldToTheCaller_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("listenerFails");
        QTest::newRow("pdf") << "actExportPdf" << int(PreviewWindow::Output::Pdf) << false;
        QTest::newRow("each") << "actExportEach" << int(PreviewWindow::Output::EachPdf) << false;
        QTest::newRow("pdf, caller fails")
            << "actExportPdf" << int(PreviewWindow::Output::Pdf) << true;
        QTest::newRow("each, caller fails")
            << "actExportEach" << int(PreviewWindow::Output::EachPdf) << true;
    }
    void outputsAreToldToTheCaller()
    {
        QFETCH(QString, action);
        QFETCH(int, kind);
        QFETCH(bool, listenerFails);
        FakePrompts prompts;
        QTemporaryDir dir;
        PreviewWindow preview(labels({{"SF001", "张三", "1.5"}, {"SF002", "李四", "0.8"}}),
                              labelWording());
        QList<PreviewWindow::Output> told;
        int boxesBefore = -1;
        preview.setOutputListener([&](const PreviewWindow::Output &output) {
            told.append(output);
            boxesBefore = int(prompts.shown.size());
            if (listenerFails)
                throw Exception(QStringLiteral("面单已导出，但未能登记"));
        });
        const QString where =
            kind == PreviewWindow::Output::Pdf ? dir.filePath("面单.pdf") : dir.path();
        prompts.openAnswers = {where};
        preview.findChild<QAction *>(action)->trigger();
        QCOMPARE(told.size(), 1);
        QCOMPARE(int(told[0].kind), kind);
        QCOMPARE(told[0].where, where);
        QCOMPARE(told[0].pages, (QList<int>{0, 1}));
        if (kind == PreviewWindow::Output::EachPdf) {
            QCOMPARE(told[0].fileSha256.size(), 2);
            QFile file(dir.filePath("SF002.pdf"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(told[0].fileSha256[1], PdfExport::sha256Hex(file.readAll()));
        } else {
            QVERIFY(told[0].fileSha256.isEmpty());
            QVERIFY(QFileInfo::exists(where));
        }
        // Told before the notice, which a failed caller replaces by its error.
        QCOMPARE(boxesBefore, int(prompts.shown.size()) - 1);
        QCOMPARE(prompts.shown.last().kind,
                 listenerFails ? QStringLiteral("error") : QStringLiteral("inform"));
        if (listenerFails)
            QVERIFY(prompts.shown.last().text.startsWith(QStringLiteral("面单已导出，但未能登记")));
    }

    // A cancelled export tells nothing.
    void nothingIsToldOfACancelledExport()
    {
        FakePrompts prompts;
        PreviewWindow preview(labels({{"SF001", "张三", "1.5"}}), labelWording());
        int told = 0;
        preview.setOutputListener([&](const PreviewWindow::Output &) { ++told; });
        preview.exportPdf();     // no file chosen
        preview.exportEachPdf(); // no folder chosen
        QCOMPARE(told, 0);
    }

    void exportErrorFromAToolButtonReachesTheErrorBox()
    {
        FakePrompts prompts;
        Guard::setErrorCaption(QStringLiteral("面单工具"));
        PreviewWindow preview(labels({{"SF001", "张三", "1.5"}}), labelWording());
        // A file in a folder that does not exist cannot be written.
        prompts.openAnswers = {QStringLiteral("/nonexistent-folder/面单.pdf")};
        preview.findChild<QAction *>(QStringLiteral("actExportPdf"))->trigger();
        QCOMPARE(prompts.errors().size(), 1);
        QCOMPARE(prompts.shown.last().caption, QStringLiteral("面单工具"));
        QVERIFY2(prompts.errors()[0].contains(QStringLiteral("面单.pdf")),
                 qPrintable(prompts.errors()[0]));
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // remembered folders stay out of ~/.config
    FontSetup::install();
    TestEngineWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_engine_windows.moc"
