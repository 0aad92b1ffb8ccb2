#pragma once
// Prints the letters of a generated report through the system's print dialog.

class PageRenderer;
class QWidget;
struct ReportDocument;

namespace PrintJob {
// Asks for printer, page range and copies; prints with a cancellable progress window.
void run(QWidget *owner, const ReportDocument &document, PageRenderer &renderer, int currentPage);
} // namespace PrintJob
