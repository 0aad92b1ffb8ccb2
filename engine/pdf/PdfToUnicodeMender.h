#pragma once
// The mend of the ToUnicode maps, on qpdf: for each font, the glyphs its pages show that its
// map leaves out are matched by shape to the glyphs of known texts, and the matches added.

#include "GlyphShape.h"

#include <QByteArray>
#include <QList>

namespace PdfToUnicodeMender {
// The mended PDF; the same bytes when nothing was missing. Raises std::runtime_error when
// the bytes are no readable PDF.
QByteArray mend(const QByteArray &pdf, const QList<GlyphText> &glyphs);
} // namespace PdfToUnicodeMender
