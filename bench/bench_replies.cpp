// 100 scanned replies in one PDF at 200 dpi, read and matched by `roviradavev-batch
// replies`, beside pdftoppm rendering the same pages at the same resolution, in one run.
// Target: no more than 2x pdftoppm.
//
// Then the pages of multi-page TIFFs of 100 and 1,000 letters scanned at 100 dpi, read as
// the replies read them: a page of the long file should take no more than 1.5x a page of
// the short one. Beside it, in the same run, Qt's reader opened for each page and sent to
// it, as the pages were once read.

#include "BenchLetters.h"
#include "Seconds.h"
#include "control/RegisterWriter.h"
#include "control/ScannedFile.h"
#include "platform/FontSetup.h"
#include "support/ChildRun.h"
#include "support/ScanMaker.h"
#include "support/TiffMaker.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kPages = 100;
constexpr double kDotsPerInch = 200;

// The best of three runs: the figure the machine can give, not its noise.
ChildRun best(const QString &program, const QStringList &arguments)
{
    ChildRun fastest;
    for (int i = 0; i < 3; ++i) {
        const ChildRun run = runChild(program, arguments);
        if (!run.ok) {
            std::fprintf(stderr, "%s failed\n", qPrintable(program));
            std::exit(1);
        }
        if (i == 0 || run.milliseconds < fastest.milliseconds)
            fastest = run;
    }
    return fastest;
}

} // namespace

// Makes the register and the scans in 'folder'. A process of its own: the pages it holds
// would otherwise count in the peak memory the kernel reports for the commands timed.
int makeScans(int argc, char *argv[], const QString &folder)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    FontSetup::install();
    const ReportDocument letters = benchLetters(kPages);
    RegisterWriter::write(letters, QStringLiteral("应收帐款确认函"),
                          folder + QStringLiteral("/函证控制表.xlsx"));
    // As an office scanner gives them: grey, a little turned, speckled.
    QList<QImage> pages;
    for (int i = 0; i < kPages; ++i)
        pages.append(noisy(turned(scanned(letters, i, kDotsPerInch), (i % 5 - 2) * 0.7), 12, i));
    writePicturePdf(folder + QStringLiteral("/回函.pdf"), pages, kDotsPerInch);
    return 0;
}

// Seconds a page of a TIFF of 'count' pages takes to read: the best of five timings, each
// reading 1,000 pages (the short file over again), so both files are timed over as long;
// and once as Qt's reader sent to each page afresh.
struct TiffFigures
{
    double perPage, perPageAfresh;
};
TiffFigures readTiff(const QString &path, int count)
{
    const int passes = 1000 / count;
    double best = 1e300;
    for (int run = 0; run < 5; ++run)
        best = std::min(best, seconds([&] {
                                  for (int pass = 0; pass < passes; ++pass) {
                                      const ScannedFile file(path);
                                      if (file.pageCount() != count)
                                          std::exit(1);
                                      for (int page = 0; page < count; ++page)
                                          (void)file.page(page);
                                  }
                              }) / passes);
    const double afresh = seconds([&] {
        for (int page = 0; page < count; ++page) {
            QImageReader reader(path);
            if (page > 0)
                reader.jumpToImage(page);
            if (reader.read().isNull())
                std::exit(1);
        }
    });
    return {best / count, afresh / count};
}

int measureTiffs(int argc, char *argv[], const QString &folder)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    FontSetup::install();
    const ReportDocument letters = benchLetters(10);
    QList<QImage> scans;
    for (int i = 0; i < 10; ++i)
        scans.append(scanned(letters, i, 100));
    TiffFigures figures[2];
    const int counts[2] = {100, 1000};
    for (int n = 0; n < 2; ++n) {
        QList<QImage> pages;
        for (int i = 0; i < counts[n]; ++i)
            pages.append(scans[i % scans.size()]);
        const QString path = folder + QStringLiteral("/%1.tif").arg(counts[n]);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(TiffMaker::pages(pages)) <= 0)
            return 1;
        file.close();
        figures[n] = readTiff(path, counts[n]);
    }
    std::printf("TIFF pages at 100 dpi: %.2f ms a page of 100, %.2f ms a page of 1,000; ratio "
                "%.2fx (target <= 1.5x). Qt's reader sent to each page afresh: %.2f and %.2f "
                "ms, %.2fx\n",
                figures[0].perPage * 1000, figures[1].perPage * 1000,
                figures[1].perPage / figures[0].perPage, figures[0].perPageAfresh * 1000,
                figures[1].perPageAfresh * 1000,
                figures[1].perPageAfresh / figures[0].perPageAfresh);
    return 0;
}

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--make") == 0)
        return makeScans(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && std::strcmp(argv[1], "--tiff") == 0)
        return measureTiffs(argc, argv, QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (qEnvironmentVariableIsSet("BENCH_KEEP"))
        dir.setAutoRemove(false), std::printf("files in %s\n", qPrintable(dir.path()));
    if (!runChild(QCoreApplication::applicationFilePath(), {QStringLiteral("--make"), dir.path()})
             .ok) {
        std::fprintf(stderr, "the scans could not be made\n");
        return 1;
    }
    const QString registerFile = dir.filePath(QStringLiteral("函证控制表.xlsx"));
    const QString scans = dir.filePath(QStringLiteral("回函.pdf"));

    const QString batch =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/roviradavev-batch");
    const ChildRun replies =
        best(batch, {QStringLiteral("replies"), QStringLiteral("--register"), registerFile, scans});
    QDir().mkpath(dir.filePath(QStringLiteral("ppm")));
    const ChildRun pdftoppm = best(QStringLiteral("/usr/bin/pdftoppm"),
                                   {QStringLiteral("-r"), QString::number(kDotsPerInch), scans,
                                    dir.filePath(QStringLiteral("ppm/page"))});
    std::printf("%d scanned pages at %.0f dpi: replies %.2f s (%.1f pages/s, peak %ld MB), "
                "pdftoppm %.2f s (%.1f pages/s); ratio %.2fx (target <= 2x)\n",
                kPages, kDotsPerInch, replies.milliseconds / 1000,
                kPages * 1000 / replies.milliseconds, replies.peakKilobytes / 1024,
                pdftoppm.milliseconds / 1000, kPages * 1000 / pdftoppm.milliseconds,
                replies.milliseconds / pdftoppm.milliseconds);
    std::fflush(stdout);
    // In a process of its own, its figures printed there.
    return QProcess::execute(QCoreApplication::applicationFilePath(),
                             {QStringLiteral("--tiff"), dir.path()}) == 0
               ? 0
               : 1;
}
