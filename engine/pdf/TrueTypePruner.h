#pragma once
// Empties the outlines of the glyphs a page does not use in a TrueType font program,
// keeping every glyph number as it was, so that text already written with those numbers
// stays valid. Glyph 0 and the parts of kept composite glyphs are always kept.

#include <QByteArray>
#include <QList>

#include <vector>

class TrueTypePruner
{
public:
    // Reads the font's tables once, for many pages.
    explicit TrueTypePruner(QByteArray font);
    // Whether the font could be read; an unreadable one is never pruned.
    bool isValid() const { return m_valid; }
    int glyphCount() const { return int(m_glyphStarts.size()) - 1; }
    int unitsPerEm() const;
    // One glyph's data in the glyf table; empty for an empty glyph or one past the font.
    QByteArray glyph(int glyph) const;
    // The font with only these glyphs' outlines; the font unchanged when it is not valid.
    QByteArray keepGlyphs(const QList<quint16> &glyphs) const;

private:
    struct Table
    {
        quint32 tag;
        quint32 offset;
        quint32 length;
    };
    QByteArray glyphData(int glyph) const;
    // Glyphs a composite glyph is made of.
    QList<quint16> components(int glyph) const;

    QByteArray m_font;
    bool m_valid = false;
    quint32 m_version = 0;
    std::vector<Table> m_tables;
    qsizetype m_glyf = -1, m_loca = -1, m_head = -1; // indexes into m_tables
    bool m_longOffsets = false;
    std::vector<quint32> m_glyphStarts; // glyph count + 1 offsets into the glyf table
};
