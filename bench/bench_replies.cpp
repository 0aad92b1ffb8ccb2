// 100 scanned replies in one PDF at 200 dpi, read and matched by `roviradavev-batch
// replies`, beside pdftoppm rendering the same pages at the same resolution, in one run.
// Target: no more than 2x pdftoppm.

#include "BenchLetters.h"
#include "support/ChildRun.h"
#include "control/RegisterWriter.h"
#include "platform/FontSetup.h"
#include "support/ScanMaker.h"

#include <QDir>
#include <QGuiApplication>
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

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--make") == 0)
        return makeScans(argc, argv, QString::fromLocal8Bit(argv[2]));
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
    return 0;
}
