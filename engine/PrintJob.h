#pragma once
// Prints the pages of a generated report through the system's print dialog.

class PageRenderer;
struct DocumentWording;
class QWidget;
struct ReportDocument;

#include <functional>

namespace PrintJob {
// Whether the system has a printer to print on; tests may put their own answer in place.
bool printerInstalled();
void setPrinterCheck(std::function<bool()> check);

// Asks for printer, page range and copies; prints with a cancellable progress window.
void run(QWidget *owner, const ReportDocument &document, PageRenderer &renderer, int currentPage,
         const DocumentWording &wording);
} // namespace PrintJob
