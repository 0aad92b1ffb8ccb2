#include "PrintJob.h"

#include "DocumentWording.h"
#include "PageRenderer.h"
#include "ProgressWindow.h"
#include "ReportDocument.h"
#include "ReportError.h"

#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace PrintJob {

namespace {
std::function<bool()> g_printerCheck;
}

bool printerInstalled()
{
    return g_printerCheck ? g_printerCheck() : !QPrinterInfo::availablePrinterNames().isEmpty();
}

void setPrinterCheck(std::function<bool()> check)
{
    g_printerCheck = std::move(check);
}

std::optional<Printed> run(QWidget *owner, const ReportDocument &document, PageRenderer &renderer,
                           int currentPage, const DocumentWording &wording)
{
    const int count = document.pageCount();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(renderer.pageSizeMm(), QPageSize::Millimeter));
    printer.setFullPage(true);
    printer.setDocName(document.documentName());
    printer.setFromTo(1, count);
    QPrintDialog dialog(&printer, owner);
    dialog.setWindowTitle(QStringLiteral("打印") + wording.runName);
    dialog.setMinMax(1, count);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCurrentPage | QAbstractPrintDialog::PrintToFile |
                      QAbstractPrintDialog::PrintCollateCopies);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;

    QList<int> pages;
    switch (printer.printRange()) {
    case QPrinter::PageRange:
        for (int p = std::max(1, printer.fromPage()); p <= std::min(count, printer.toPage()); ++p)
            pages.append(p - 1);
        break;
    case QPrinter::CurrentPage:
        pages.append(currentPage);
        break;
    default:
        for (int p = 0; p < count; ++p)
            pages.append(p);
    }
    // Copies the printer cannot make itself are printed one after the other.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    QList<int> sequence;
    for (int c = 0; c < copies; ++c)
        sequence += pages;

    QPainter painter;
    if (!painter.begin(&printer))
        throw ReportError(
            QStringLiteral("无法开始打印：打印机“%1”不可用").arg(printer.printerName()));
    const QRectF target(QPointF(0, 0), printer.paperRect(QPrinter::DevicePixel).size());
    ProgressWindow progress(owner, QStringLiteral("正在打印%1…").arg(wording.runName),
                            int(sequence.size()));
    for (int i = 0; i < sequence.size(); ++i) {
        if (i > 0)
            printer.newPage();
        renderer.paintInto(painter, target, sequence[i]);
        if (!progress.step(i + 1)) {
            printer.abort();
            return std::nullopt;
        }
    }
    // A job the system did not take (a spool or file that cannot be written) is no print.
    if (!painter.end())
        throw ReportError(
            QStringLiteral("打印未能完成：打印机“%1”没有接受打印任务").arg(printer.printerName()));
    const QString where =
        printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    return Printed{where, pages};
}

} // namespace PrintJob
