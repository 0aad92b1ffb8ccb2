#pragma once
// Prints the pages of a generated report through the system's print dialog.

class PageRenderer;
struct DocumentWording;
class QWidget;
struct ReportDocument;

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace PrintJob {
// Whether the system has a printer to print on; tests may put their own answer in place.
bool printerInstalled();
void setPrinterCheck(std::function<bool()> check);

// What a finished job printed: the printer (or the file printed to) and the pages, from 0,
// each once however many copies were made.
struct Printed
{
    QString printer;
    QList<int> pages;
};

// Asks for printer, page range and copies; prints with a cancellable progress window.
// Nothing when the user cancels the dialog or the printing.
std::optional<Printed> run(QWidget *owner, const ReportDocument &document, PageRenderer &renderer,
                           int currentPage, const DocumentWording &wording);
} // namespace PrintJob
