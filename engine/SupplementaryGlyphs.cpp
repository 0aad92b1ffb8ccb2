#include "SupplementaryGlyphs.h"

#include "TextBlock.h"

#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>
#include <QSet>
#include <QTextLayout>

#include <cmath>
#include <optional>

namespace SupplementaryGlyphs {

namespace {

void addCharacters(const QString &text, QSet<QString> &characters)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate())
            characters.insert(text.mid(i++, 2));
}

// Every character beyond the basic plane that the template or the records hold.
QSet<QString> charactersOf(const ReportDocument &document)
{
    QSet<QString> characters;
    for (const ReportElement &element : document.report.elements) {
        addCharacters(element.text, characters);
        for (const QList<TableCell> &row : element.cells)
            for (const TableCell &cell : row)
                addCharacters(cell.text, characters);
    }
    for (const RecordValues &record : document.records)
        for (const QVariant &value : record)
            if (value.typeId() == QMetaType::QString)
                addCharacters(value.toString(), characters);
    return characters;
}

QList<QFont> fontsOf(const ReportTemplate &report)
{
    QList<QFont> fonts;
    auto add = [&](const QFont &font) {
        if (!fonts.contains(font))
            fonts.append(font);
    };
    for (const ReportElement &element : report.elements) {
        if (element.kind == ElementKind::Text || element.kind == ElementKind::Field ||
            element.kind == ElementKind::SystemValue || element.kind == ElementKind::Table)
            add(TextBlock::fontFor(element.style));
        for (const QList<TableCell> &row : element.cells)
            for (const TableCell &cell : row)
                if (cell.bold) {
                    TextStyle bold = element.style;
                    bold.bold = true;
                    add(TextBlock::fontFor(bold));
                }
    }
    return fonts;
}

// The shape of a glyph as its font draws it, whatever its outlines: TrueType or CFF (Noto
// CJK, the one face of Debian's that has 𠮷). Taken from the outline at one pixel a font
// unit, so it compares with the glyph Qt writes into the PDF from that same outline.
std::optional<GlyphShape> shapeOf(const QRawFont &font, quint32 glyph)
{
    const int unitsPerEm = int(std::lround(font.unitsPerEm()));
    if (unitsPerEm <= 0)
        return std::nullopt;
    QRawFont atUnits = font;
    atUnits.setPixelSize(unitsPerEm);
    const QPainterPath outline = atUnits.pathForGlyph(glyph);
    int contours = 0;
    for (int i = 0; i < outline.elementCount(); ++i)
        contours += outline.elementAt(i).isMoveTo();
    if (contours == 0)
        return std::nullopt; // a space, or a picture without outline (a colour emoji)
    // The path's y goes down the page, the font's up it.
    const QRectF box = outline.boundingRect();
    return GlyphShape{contours,
                      int(std::lround(box.left())),
                      int(std::lround(-box.bottom())),
                      int(std::lround(box.right())),
                      int(std::lround(-box.top())),
                      unitsPerEm};
}

} // namespace

QList<GlyphText> of(const ReportDocument &document)
{
    const QSet<QString> characters = charactersOf(document);
    if (characters.isEmpty())
        return {};
    QList<GlyphText> glyphs;
    for (const QFont &font : fontsOf(document.report)) {
        for (const QString &character : characters) {
            // Laid out as the page lays it out, so the font that stands in for one that lacks
            // the character is the one found here too.
            QTextLayout layout(character, font);
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            for (const QGlyphRun &run : layout.glyphRuns())
                for (quint32 glyph : run.glyphIndexes())
                    if (const auto shape = shapeOf(run.rawFont(), glyph))
                        glyphs.append({*shape, character});
        }
    }
    return glyphs;
}

} // namespace SupplementaryGlyphs
