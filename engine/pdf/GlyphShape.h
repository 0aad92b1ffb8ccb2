#pragma once
// What tells a TrueType glyph apart after its outline has been written again: its number of
// contours and its bounding box, in font units. Qt's PDF writer redraws every glyph it
// embeds from the outline, so the bytes change but these stay within a unit or two.

#include <QByteArray>
#include <QString>

#include <optional>

struct GlyphShape
{
    int contours = 0; // negative for a glyph made of other glyphs
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    int unitsPerEm = 1000; // Qt may write a glyph again in other units

    // The shape of a glyph's data from the glyf table; nothing for an empty glyph.
    static std::optional<GlyphShape> of(QByteArrayView glyph, int unitsPerEm);
    // The shape of a glyph, from a font's head, loca and glyf tables.
    static std::optional<GlyphShape> inTables(const QByteArray &head, const QByteArray &loca,
                                              const QByteArray &glyf, quint32 glyph);
    // The same glyph, written again: the same contours, and a box within a rounding or two.
    bool resembles(const GlyphShape &other) const;
};

// A glyph, and the text it shows.
struct GlyphText
{
    GlyphShape shape;
    QString text;
};
