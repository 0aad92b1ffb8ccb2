// Import of large workbooks into the table, beside baselines measured in the same run:
// `unzip -p` inflating the same .xlsx, and python3-xlrd reading all values of the same .xls.

#include "import/WorkbookImport.h"
#include "spreadsheet/WorkbookFileServer.h"
#include "table/StringGridModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// Best of several runs, in milliseconds.
template <typename Work> double bestOf(int runs, Work work)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

void runQuietly(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    process.waitForFinished(-1);
    if (process.exitCode() != 0)
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
}

// The import into a table in its start-up state; making and freeing the table are not
// part of the import and stay outside the timing.
double importMs(const QString &path, int &rows)
{
    const RegionalSettings settings =
        RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
    double best = 1e300;
    for (int i = 0; i < 5; ++i) {
        auto grid = std::make_unique<StringGridModel>();
        grid->setRowCount(1);
        QElapsedTimer timer;
        timer.start();
        WorkbookImport(*grid, settings, WorkbookFileServer::factory()).LoadFromWorkbook(path);
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        rows = grid->RowCount();
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/workbooks");
    runQuietly(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral(BENCH_SOURCE_DIR "/make_bench_workbooks.py"), dir});
    const QString xlsx = dir + QStringLiteral("/big.xlsx");
    const QString xls = dir + QStringLiteral("/big.xls");

    int rows = 0;
    const double unzip = bestOf(5, [&] {
        runQuietly(QStringLiteral("unzip"), {QStringLiteral("-p"), xlsx});
    });
    const double oursXlsx = importMs(xlsx, rows);
    std::printf(".xlsx %d rows x 4: import %.1f ms, unzip -p %.1f ms, ratio %.2f (target <= 3)\n",
                rows, oursXlsx, unzip, oursXlsx / unzip);

    const QString xlrdScript = QStringLiteral("import sys, xlrd\n"
                                              "b = xlrd.open_workbook(sys.argv[1])\n"
                                              "s = b.sheet_by_index(0)\n"
                                              "v = [s.row_values(r) for r in range(s.nrows)]\n");
    const double xlrd = bestOf(3, [&] {
        runQuietly(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), xlrdScript, xls});
    });
    const double oursXls = importMs(xls, rows);
    std::printf(
        ".xls %d rows x 4 with dates: import %.1f ms, python3-xlrd %.1f ms, %.1f times faster "
        "(target >= 5)\n",
        rows, oursXls, xlrd, xlrd / oursXls);
    return 0;
}
