#pragma once
// The page cutter, on qpdf: it writes each page with what it uses as a file of its own,
// with the page's share of the font programs, glyph widths, glyph sets and ToUnicode maps.

#include "PageSplitter.h"

#include <map>
#include <memory>
#include <vector>

class QPDF;
class QPDFObjectHandle;
class QPDFPageObjectHelper;
class FontSubsetter;
class PageFileWriter;

class PdfPageSplitter : public PageSplitter
{
public:
    // Raises std::runtime_error when the bytes are not a readable PDF.
    explicit PdfPageSplitter(const QByteArray &pdf);
    ~PdfPageSplitter() override;
    QByteArray page(int index, const QString &title) override;

private:
    struct Font;
    Font &fontFor(QPDFObjectHandle source);
    // Tells the writer the page's share of the font: program, glyph map, glyph set, widths.
    void prune(QPDFObjectHandle source, Font &font, const QList<quint16> &glyphs,
               PageFileWriter &writer);

    const QByteArray m_pdf; // qpdf reads it in place
    std::unique_ptr<QPDF> m_source;
    std::vector<QPDFPageObjectHelper> m_pages; // listed once: qpdf walks the page tree to list them
    std::map<std::pair<int, int>, std::unique_ptr<Font>> m_fonts; // by source object
};
