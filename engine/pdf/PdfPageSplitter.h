#pragma once
// Cuts a PDF of many pages into one PDF per page. The whole document's fonts are built
// once; each page's file keeps of them only the glyphs that page shows, so it is as
// small as a file written for the page alone, and its text stays searchable.
// One splitter serves one thread; several may read the same document bytes at once.

#include <QByteArray>

#include <map>
#include <memory>

class QPDF;
class QPDFObjectHandle;
class TrueTypePruner;

class PdfPageSplitter
{
public:
    // Raises ReportError when the bytes are not a readable PDF.
    explicit PdfPageSplitter(const QByteArray &pdf);
    ~PdfPageSplitter();
    int pageCount() const;
    // A complete PDF of one page, with the document's information.
    QByteArray page(int index);

private:
    struct Font;
    Font &fontFor(QPDFObjectHandle source);
    void prune(QPDFObjectHandle copy, Font &font, const QList<quint16> &glyphs);

    const QByteArray m_pdf; // qpdf reads it in place
    std::unique_ptr<QPDF> m_source;
    std::map<std::pair<int, int>, std::unique_ptr<Font>> m_fonts; // by source object
};
