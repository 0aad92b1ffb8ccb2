#pragma once
// Qt's PDF writer leaves glyphs of characters beyond the basic plane (𠮷, emoji) out of the
// fonts' ToUnicode maps: they are drawn, but lost to copying, search and pdftotext. The mend
// adds them, matching each unmapped glyph a page shows to the glyph of a known text by its
// shape. It runs in the PDF module, which only a document with such characters loads.

#include "GlyphShape.h"

#include <QByteArray>
#include <QList>

namespace ToUnicodeMend {
// The PDF with the texts of these glyphs given to the glyphs its pages show without one.
// Raises PdfError when the module is missing or the bytes are no PDF it can read.
QByteArray mend(const QByteArray &pdf, const QList<GlyphText> &glyphs);
} // namespace ToUnicodeMend

// The module's entry point: the mended PDF, or an empty one with the reason in 'error'.
using ToUnicodeMender = QByteArray (*)(const QByteArray &pdf, const QList<GlyphText> &glyphs,
                                       QString *error);
#define ROVIRADAVEV_TO_UNICODE_MENDER "roviradavevMendToUnicode"
