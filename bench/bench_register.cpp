// The confirmation register of 10,000 letters beside the PDF of the same letters, in one
// run: the register should add no more than a tenth to the time of the PDF.

#include "control/RegisterWriter.h"
#include "engine/PdfExport.h"
#include "engine/ReportEngine.h"
#include "platform/FontSetup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

namespace {

ReportDocument letters(int count)
{
    ReportEngine engine;
    engine.LoadTemplateFile(QCoreApplication::applicationDirPath() +
                            QStringLiteral("/../bin/应收帐款确认函.grf"));
    engine.setFetchRecordHandler([&] {
        for (int i = 0; i < count; ++i) {
            engine.DetailRecords().AddRecord();
            engine.LookupField(QStringLiteral("客户单位"))
                .SetText(QStringLiteral("客户%1贸易有限公司").arg(i));
            engine.LookupField(QStringLiteral("截止日期")).SetDate(45657);
            engine.LookupField(QStringLiteral("应收金额")).SetNumber(1000 + i * 7.31);
            engine.LookupField(QStringLiteral("函编号"))
                .SetText(QStringLiteral("WL-%1").arg(i, 6, 10, QLatin1Char('0')));
            engine.DetailRecords().CommitRecord();
        }
    });
    return engine.generate();
}

double seconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    FontSetup::install();
    QTemporaryDir dir;
    const ReportDocument document = letters(10000);
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
