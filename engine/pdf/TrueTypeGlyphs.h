#pragma once
// The glyphs of a TrueType font program, read in place: each glyph's outline data, and the
// font's units per em.

#include <QByteArray>

#include <vector>

class TrueTypeGlyphs
{
public:
    explicit TrueTypeGlyphs(QByteArray font);
    // Whether the font could be read.
    bool isValid() const { return m_valid; }
    int glyphCount() const { return int(m_glyphStarts.size()) - 1; }
    int unitsPerEm() const;
    // One glyph's data in the glyf table; empty for an empty glyph or one past the font.
    QByteArray glyph(int glyph) const;

private:
    QByteArray m_font;
    bool m_valid = false;
    quint32 m_glyf = 0, m_head = 0;     // table offsets
    std::vector<quint32> m_glyphStarts; // glyph count + 1 offsets into the glyf table
};
