#pragma once
// What tells a glyph apart after its outline has been written again: its number of contours
// and the box its outline's curves fill (not the box of its points, which depends on how the
// curves are written), in font units. Qt's PDF writer redraws every glyph it embeds from the
// outline as TrueType, whether the font has TrueType or CFF (PostScript) outlines, so the
// bytes change but these stay within a unit or two.

#include <QByteArray>
#include <QString>

#include <optional>

struct GlyphShape
{
    int contours = 0; // negative for a glyph made of other glyphs
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    int unitsPerEm = 1000; // Qt may write a glyph again in other units

    // The shape of a glyph's data from the glyf table, its curves followed for their box;
    // the box its header gives for a glyph made of others or one whose points cannot be
    // read. Nothing for an empty glyph.
    static std::optional<GlyphShape> of(QByteArrayView glyph, int unitsPerEm);
    // The same glyph, written again: the same contours, and a box within a rounding or two.
    bool resembles(const GlyphShape &other) const;
};

// A glyph, and the text it shows.
struct GlyphText
{
    GlyphShape shape;
    QString text;
};
