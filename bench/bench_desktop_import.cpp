// The desktop import as the user meets it: from OK in the file dialog to the table painted
// with the imported rows, in the main window on Qt's offscreen platform, beside the batch
// companion's whole table command on the same file in the same run. Workbooks are those
// LibreOffice wrote for bench_batch.

#include "support/ChildRun.h"
#include "app/Tfrmmain.h"
#include "platform/FontSetup.h"
#include "support/FakePrompts.h"
#include "table/StringGridModel.h"
#include "table/StringGridView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>

namespace {

// Counts the grid's paints, so the timing stops at the first one after the import.
class PaintWatch : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

double desktopImportMs(Tfrmmain &window, FakePrompts &prompts, const QString &workbook, int &rows)
{
    auto *grid = window.findChild<StringGridView *>(QStringLiteral("AdvStringGrid1"));
    auto *button = window.findChild<QAbstractButton *>(QStringLiteral("btnImport"));
    PaintWatch watch;
    grid->viewport()->installEventFilter(&watch);
    prompts.openAnswers = {workbook};
    QElapsedTimer timer;
    timer.start();
    button->click(); // the dialog answers at once with the workbook
    while (watch.paints == 0)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double ms = timer.nsecsElapsed() / 1e6;
    grid->viewport()->removeEventFilter(&watch);
    rows = grid->model()->RowCount();
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    // The offscreen platform's notes about window hints would only clutter the figures.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg && type != QtInfoMsg && type != QtWarningMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LANG", "zh_CN.UTF-8");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    FontSetup::install();
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/workbooks");
    const QString batch =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/roviradavev-batch");
    FakePrompts prompts;
    Tfrmmain window;
    window.resize(1280, 800);
    window.show();
    QApplication::processEvents();

    for (const char *name : {"office-100k.xlsx", "office-65k.xls"}) {
        const QString workbook = dir + QLatin1Char('/') + QString::fromLatin1(name);
        if (!QFile::exists(workbook)) {
            std::fprintf(stderr, "%s is missing: run bench_batch first\n", name);
            return 1;
        }
        // Best of three each; every desktop import replaces the table the last one filled.
        double desktop = 1e300;
        int rows = 0;
        for (int i = 0; i < 3; ++i)
            desktop = std::min(desktop, desktopImportMs(window, prompts, workbook, rows));
        const ChildRun command = bestChildRun(3, batch, {QStringLiteral("table"), workbook});
        std::printf("%s, %d rows: desktop import to the table painted %.0f ms, batch table "
                    "command %.0f ms: %+.0f ms (target <= +100)\n",
                    name, rows - 1, desktop, command.milliseconds, desktop - command.milliseconds);
    }
    return 0;
}
