#pragma once
// The parts of an embedded CID font that list its glyphs, cut down to the glyphs one page
// uses: the ToUnicode map that makes the text searchable, and the set of glyphs present.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace CidFontParts {
// A ToUnicode CMap with entries for these glyphs alone; the map unchanged when it cannot
// be read.
QByteArray keepInToUnicode(const QByteArray &cmap, const QList<quint16> &glyphs);
// The codes the map gives a text to; none when it cannot be read.
QList<quint16> mappedCodes(const QByteArray &cmap);
// The map with these codes added, each giving its text; the map unchanged when it cannot
// be read.
QByteArray withEntries(const QByteArray &cmap, const QMap<quint16, QString> &entries);
// The CIDSet bit string of these glyphs (and glyph 0).
QByteArray cidSet(const QList<quint16> &glyphs);
} // namespace CidFontParts
