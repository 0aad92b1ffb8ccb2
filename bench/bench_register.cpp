// The confirmation register of 10,000 letters beside the PDF of the same letters, in one
// run: the register should add no more than a tenth to the time of the PDF.

#include "BenchLetters.h"
#include "Seconds.h"
#include "control/RegisterWriter.h"
#include "engine/PdfExport.h"
#include "platform/FontSetup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    FontSetup::install();
    QTemporaryDir dir;
    const ReportDocument document = benchLetters(10000);
    const double pdf = seconds(
        [&] { PdfExport::writeAll(document, dir.filePath(QStringLiteral("letters.pdf"))); });
    const double registerTime = seconds([&] {
        RegisterWriter::write(document, QStringLiteral("应收帐款确认函"),
                              dir.filePath(QStringLiteral("函证控制表.xlsx")));
    });
    std::printf(
        "10,000 letters: PDF %.2f s, register %.2f s, %.1f %% of the PDF (target <= 10 %%)\n", pdf,
        registerTime, 100 * registerTime / pdf);
    return 0;
}
