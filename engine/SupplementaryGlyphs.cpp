#include "SupplementaryGlyphs.h"

#include "TextBlock.h"

#include <QGlyphRun>
#include <QRawFont>
#include <QSet>
#include <QTextLayout>

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

// A font's outline tables, read once however many characters it draws.
struct OutlineTables
{
    QRawFont font;
    QByteArray head, loca, glyf;
};

const OutlineTables &tablesOf(const QRawFont &font, std::vector<OutlineTables> &read)
{
    for (const OutlineTables &tables : read)
        if (tables.font == font)
            return tables;
    read.push_back({font, font.fontTable("head"), font.fontTable("loca"), font.fontTable("glyf")});
    return read.back();
}

} // namespace

QList<GlyphText> of(const ReportDocument &document)
{
    const QSet<QString> characters = charactersOf(document);
    if (characters.isEmpty())
        return {};
    QList<GlyphText> glyphs;
    std::vector<OutlineTables> read;
    for (const QFont &font : fontsOf(document.report)) {
        for (const QString &character : characters) {
            // Laid out as the page lays it out, so the font that stands in for one that lacks
            // the character is the one found here too.
            QTextLayout layout(character, font);
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            for (const QGlyphRun &run : layout.glyphRuns()) {
                const OutlineTables &tables = tablesOf(run.rawFont(), read);
                for (quint32 glyph : run.glyphIndexes())
                    if (const auto shape =
                            GlyphShape::inTables(tables.head, tables.loca, tables.glyf, glyph))
                        glyphs.append({*shape, character});
            }
        }
    }
    return glyphs;
}

} // namespace SupplementaryGlyphs
