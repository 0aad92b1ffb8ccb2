#include "PdfToUnicodeMender.h"

#include "CidFontParts.h"
#include "ContentGlyphs.h"
#include "QpdfStreams.h"
#include "ToUnicodeMend.h"
#include "TrueTypeGlyphs.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QSet>

#include <map>
#include <optional>
#include <stdexcept>

namespace PdfToUnicodeMender {

namespace {

using QpdfStreams::bytesOf;

struct ShownFont
{
    QPDFObjectHandle font;
    QSet<quint16> glyphs;
};

// Every font the pages show text in, with the glyphs they show of it.
std::map<QPDFObjGen, ShownFont> shownFonts(QPDF &document)
{
    std::map<QPDFObjGen, ShownFont> shown;
    for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(document).getAllPages()) {
        QByteArray content;
        for (QPDFObjectHandle part : page.getObjectHandle().getPageContents())
            content += bytesOf(part) + '\n';
        QPDFObjectHandle fonts = page.getObjectHandle().getKey("/Resources").getKey("/Font");
        if (!fonts.isDictionary())
            continue;
        for (const auto &[name, glyphs] : ContentGlyphs::byFont(content)) {
            QPDFObjectHandle font = fonts.getKey('/' + name.toStdString());
            if (!font.isDictionary())
                continue;
            ShownFont &entry = shown[font.getObjGen()];
            entry.font = font;
            for (quint16 glyph : glyphs)
                entry.glyphs.insert(glyph);
        }
    }
    return shown;
}

// The one text whose glyph has this shape; nothing when none has, or texts differ.
std::optional<QString> textOf(const GlyphShape &shape, const QList<GlyphText> &glyphs)
{
    std::optional<QString> found;
    for (const GlyphText &glyph : glyphs) {
        if (!glyph.shape.resembles(shape))
            continue;
        if (found && *found != glyph.text)
            return std::nullopt;
        found = glyph.text;
    }
    return found;
}

// Adds what the font's map leaves out of the glyphs shown; whether it added any.
bool mendFont(ShownFont shown, const QList<GlyphText> &glyphs)
{
    QPDFObjectHandle toUnicode = shown.font.getKey("/ToUnicode");
    QPDFObjectHandle file = shown.font.getKey("/DescendantFonts")
                                .getArrayItem(0)
                                .getKey("/FontDescriptor")
                                .getKey("/FontFile2");
    if (!toUnicode.isStream() || !file.isStream())
        return false;
    const QByteArray cmap = bytesOf(toUnicode);
    const QList<quint16> mappedList = CidFontParts::mappedCodes(cmap);
    const QSet<quint16> mapped(mappedList.begin(), mappedList.end());
    std::optional<TrueTypeGlyphs> program; // read only for a font with a gap
    QMap<quint16, QString> added;
    for (quint16 glyph : shown.glyphs) {
        if (glyph == 0 || mapped.contains(glyph))
            continue;
        if (!program)
            program.emplace(bytesOf(file));
        if (const auto shape = GlyphShape::of(program->glyph(glyph), program->unitsPerEm()))
            if (const auto text = textOf(*shape, glyphs))
                added.insert(glyph, *text);
    }
    if (added.isEmpty())
        return false;
    QpdfStreams::replaceData(toUnicode, CidFontParts::withEntries(cmap, added));
    return true;
}

} // namespace

QByteArray mend(const QByteArray &pdf, const QList<GlyphText> &glyphs)
{
    QPDF document;
    document.setSuppressWarnings(true);
    document.processMemoryFile("document", pdf.constData(), size_t(pdf.size()));
    bool changed = false;
    for (const auto &[id, shown] : shownFonts(document))
        changed = mendFont(shown, glyphs) || changed;
    if (!changed)
        return pdf;
    QPDFWriter writer(document);
    writer.setOutputMemory();
    writer.setDeterministicID(true);
    writer.write();
    const std::shared_ptr<Buffer> bytes = writer.getBufferSharedPointer();
    return QByteArray(reinterpret_cast<const char *>(bytes->getBuffer()),
                      qsizetype(bytes->getSize()));
}

} // namespace PdfToUnicodeMender

extern "C" Q_DECL_EXPORT QByteArray roviradavevMendToUnicode(const QByteArray &pdf,
                                                             const QList<GlyphText> &glyphs,
                                                             QString *error)
{
    try {
        return PdfToUnicodeMender::mend(pdf, glyphs);
    } catch (const std::exception &e) {
        *error = QString::fromUtf8(e.what());
        return QByteArray();
    }
}
