// Letters to PDF through the engine, beside a baseline that draws the same page content
// straight onto a QPdfWriter with QPainter; the cost of the letters' QR codes; and the peak
// memory of 10,000 letters.

#include "BenchLetters.h"
#include "Seconds.h"
#include "engine/PageRenderer.h"
#include "engine/PdfExport.h"
#include "engine/TemplateText.h"
#include "platform/FontSetup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

// The baseline: the same elements drawn with plain QPainter calls, texts with their
// values put in by simple replacement.
void baseline(const ReportDocument &document, const QString &path)
{
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setPageSize(QPageSize(QSizeF(210, 297), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    const double scale = writer.width() / 210.0; // device pixels per millimetre
    auto mm = [&](const QRectF &r) {
        return QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
    };
    for (int page = 0; page < document.pageCount(); ++page) {
        if (page > 0)
            writer.newPage();
        const RecordValues &record = document.records[page];
        for (const ReportElement &e : document.report.elements) {
            QFont font(e.style.family);
            font.setPointSizeF(e.style.pointSize);
            font.setBold(e.style.bold);
            painter.setFont(font);
            switch (e.kind) {
            case ElementKind::Text: {
                QString text = e.text;
                text.replace(QStringLiteral("{客户单位}"), record[0].toString());
                text.replace(QStringLiteral("{函编号}"), record[3].toString());
                painter.drawText(mm(e.rectMm), int(e.style.alignment) | Qt::TextWordWrap, text);
                break;
            }
            case ElementKind::Line:
                painter.drawLine(mm(e.rectMm).topLeft(), mm(e.rectMm).bottomRight());
                break;
            case ElementKind::Rectangle:
                painter.drawRect(mm(e.rectMm));
                break;
            case ElementKind::Table: {
                double y = e.rectMm.y();
                for (int r = 0; r < e.rowHeightsMm.size(); ++r) {
                    double x = e.rectMm.x();
                    for (int c = 0; c < e.columnWidthsMm.size(); ++c) {
                        const QRectF cell(x, y, e.columnWidthsMm[c], e.rowHeightsMm[r]);
                        painter.drawRect(mm(cell));
                        painter.drawText(mm(cell), Qt::AlignCenter, e.cells[r][c].text);
                        x += e.columnWidthsMm[c];
                    }
                    y += e.rowHeightsMm[r];
                }
                break;
            }
            default:
                break;
            }
        }
    }
}

// The processor time some work takes in this process, all its threads together: unlike the
// wall time, it does not grow when other programs share the processor.
double cpuSeconds(const std::function<void()> &work)
{
    auto now = [] {
        timespec time{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
        return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
    };
    const double start = now();
    work();
    return now() - start;
}

// This process's own peak: the kernel's ru_maxrss keeps the parent's peak across the
// fork and exec that started it, VmHWM does not.
long peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong() / 1024;
    return 0;
}

// The QR codes: the shipped letter against the same letter without its code, taken in
// turns, the least of five runs each.
void codeCost(const ReportDocument &document, const QTemporaryDir &dir)
{
    ReportDocument codeless = document;
    codeless.report.elements.removeIf(
        [](const ReportElement &element) { return element.kind == ElementKind::Barcode; });
    double withCode = 1e9, withoutCode = 1e9;
    for (int round = 0; round < 5; ++round) {
        withoutCode = std::min(withoutCode, cpuSeconds([&] {
                                   PdfExport::writeAll(
                                       codeless, dir.filePath(QStringLiteral("codeless.pdf")));
                               }));
        withCode =
            std::min(withCode, cpuSeconds([&] {
                         PdfExport::writeAll(document, dir.filePath(QStringLiteral("coded.pdf")));
                     }));
    }
    std::printf("1,000 letters to one PDF, processor time: %.3f s with their QR codes, %.3f s "
                "without, ratio %.3f (target <= 1.05)\n",
                withCode, withoutCode, withCode / withoutCode);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    FontSetup::install();
    QTemporaryDir dir;

    // A child run of 10,000 letters, to one file or one file each: its time and peak memory.
    if (app.arguments().contains(QStringLiteral("--ten-thousand"))) {
        const int count = app.arguments().value(3, QStringLiteral("10000")).toInt();
        const ReportDocument document = benchLetters(count);
        const double s = seconds([&] {
            if (app.arguments().contains(QStringLiteral("each")))
                PdfExport::writeEach(document, dir.path(),
                                     PdfExport::fieldTexts(document, QStringLiteral("函编号")));
            else
                PdfExport::writeAll(document, dir.filePath(QStringLiteral("10000.pdf")));
        });
        std::printf("%.2f %ld\n", s, peakMegabytes());
        return 0;
    }

    const ReportDocument document = benchLetters(1000);
    baseline(benchLetters(20), dir.filePath(QStringLiteral("warm.pdf"))); // fonts and caches
    // The codes' cost alone, to measure it again without the rest.
    if (app.arguments().contains(QStringLiteral("--codes"))) {
        codeCost(document, dir);
        return 0;
    }
    const double plain =
        seconds([&] { baseline(document, dir.filePath(QStringLiteral("baseline.pdf"))); });
    const double engine =
        seconds([&] { PdfExport::writeAll(document, dir.filePath(QStringLiteral("engine.pdf"))); });
    std::printf(
        "1,000 letters to one PDF: engine %.2f s (%.0f letters/s), raw QPdfWriter baseline %.2f s "
        "(%.0f letters/s), ratio %.2f (target <= 2)\n",
        engine, 1000 / engine, plain, 1000 / plain, engine / plain);

    codeCost(document, dir);

    // The cost of mending the text layer, paid only by a document with a character beyond
    // the basic plane: here one customer of the thousand.
    ReportDocument astral = document;
    astral.records[500][0] = QStringLiteral("客户😀贸易有限公司");
    const double mended =
        seconds([&] { PdfExport::writeAll(astral, dir.filePath(QStringLiteral("astral.pdf"))); });
    std::printf("1,000 letters to one PDF, one name with an emoji: %.2f s, ratio %.2f against the "
                "same letters without it\n",
                mended, mended / engine);

    QTemporaryDir each;
    const double perLetter = seconds([&] {
        PdfExport::writeEach(document, each.path(),
                             PdfExport::fieldTexts(document, QStringLiteral("函编号")));
    });
    std::printf("1,000 letters one PDF each: %.2f s, ratio %.2f against the one-file export\n",
                perLetter, perLetter / engine);

    auto child = [&](const QString &mode) {
        QProcess process;
        process.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--ten-thousand"), mode});
        process.waitForFinished(-1);
        const QStringList figures =
            QString::fromLatin1(process.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
        return figures.size() == 2 ? std::make_pair(figures[0].toDouble(), figures[1].toDouble())
                                   : std::make_pair(0.0, 0.0);
    };
    const auto all = child(QStringLiteral("all"));
    const auto one = child(QStringLiteral("each"));
    std::printf("10,000 letters to one PDF: %.2f s, peak memory %.0f MB (target < 200)\n",
                all.first, all.second);
    std::printf("10,000 letters one PDF each: %.2f s, peak memory %.0f MB, ratio %.2f against "
                "the one-file export's peak (target <= 1.5)\n",
                one.first, one.second, all.second > 0 ? one.second / all.second : 0.0);
    return 0;
}
