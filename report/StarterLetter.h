#pragma once
// The letter a new template starts from: the four receivables fields declared and shown,
// so that it prints as it is and only needs the office's own wording.

#include "engine/ReportTemplate.h"

namespace StarterLetter {
ReportTemplate make();
}
