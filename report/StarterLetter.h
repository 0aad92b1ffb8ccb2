#pragma once
// The letter a new template starts from: the four receivables fields declared and shown,
// so that it prints as it is and only needs the office's own wording.

#include "engine/ReportTemplate.h"

namespace StarterLetter {
ReportTemplate make();
// Whether the starter may stand in for the template of that name when its file is missing:
// for any name but a shipped template of another kind (the envelope), which it would turn
// into a letter on the first save.
bool standsInFor(const QString &name);
} // namespace StarterLetter
