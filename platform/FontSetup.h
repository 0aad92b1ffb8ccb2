#pragma once
// Maps the font families that windows and templates name to installed faces whose
// Chinese glyphs render and export to PDF with an exact text layer.

#include <QString>

namespace FontSetup {
// Installs the substitutions and the application font; call once after the Gui
// application exists.
void install();
// Installs the substitutions only, once; what draws letters calls it itself, so that
// every program lays them out in the same faces.
void ensureSubstitutions();
// The Latin face set beside a Chinese one, so Latin letters and digits take a matching
// design instead of the Chinese face's own: a serif beside Song, Kai and Fangsong, a sans
// beside Hei. Empty for a family that is no Chinese face.
QString latinFamilyFor(const QString &family);
// The face used where a Song (Ming) face is asked for, and the one for Hei.
QString songFamily();
QString heiFamily();
QString kaiFamily();
} // namespace FontSetup
