#pragma once
// Cuts a PDF of many pages into one PDF per page. The whole document's fonts are built
// once; each page's file keeps of them only the glyphs that page shows, so it is as small
// as a file written for the page alone, and its text stays searchable.
//
// The cutting lives in a module of its own, loaded on first use: the PDF library behind it
// takes longer to load than most of the program's commands take to run.

#include <QByteArray>

#include <memory>

class PageSplitter
{
public:
    virtual ~PageSplitter() = default;
    // A complete PDF of one page, with the document's information, titled 'title' unless
    // that is empty. Raises std::runtime_error with the reason when it cannot.
    virtual QByteArray page(int index, const QString &title) = 0;

    // A splitter of these bytes, which must outlive it; one splitter serves one thread,
    // several may read the same bytes at once. Raises ReportError when the module is
    // missing or the bytes are not a PDF.
    static std::unique_ptr<PageSplitter> open(const QByteArray &pdf);
};

// The module's one entry point.
using PageSplitterFactory = PageSplitter *(*)(const QByteArray &pdf, QString *error);
#define ROVIRADAVEV_PAGE_SPLITTER_FACTORY "roviradavevNewPageSplitter"
