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
// The face used where a Song (Ming) face is asked for, and the one for Hei.
QString songFamily();
QString heiFamily();
QString kaiFamily();
} // namespace FontSetup
