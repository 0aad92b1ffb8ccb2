#pragma once
// The glyphs a document may draw for characters beyond the basic plane (𠮷, emoji), each
// with its character, in every font its texts are set in (and the fonts that stand in for
// them), so that its PDF's text layer can be mended. Empty for the usual document, which
// has no such character; then nothing needs mending.

#include "ReportDocument.h"
#include "pdf/GlyphShape.h"

#include <QList>

namespace SupplementaryGlyphs {
QList<GlyphText> of(const ReportDocument &document);
} // namespace SupplementaryGlyphs
