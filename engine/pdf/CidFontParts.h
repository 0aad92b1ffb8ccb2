#pragma once
// The parts of an embedded CID font that list its glyphs, cut down to the glyphs one page
// uses: the ToUnicode map that makes the text searchable, and the set of glyphs present.

#include <QByteArray>
#include <QList>

namespace CidFontParts {
// A ToUnicode CMap with entries for these glyphs alone; the map unchanged when it cannot
// be read.
QByteArray keepInToUnicode(const QByteArray &cmap, const QList<quint16> &glyphs);
// The CIDSet bit string of these glyphs (and glyph 0).
QByteArray cidSet(const QList<quint16> &glyphs);
} // namespace CidFontParts
