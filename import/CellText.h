#pragma once
// The text the import stores for a typed cell value, under the user's regional settings.

#include "platform/RegionalSettings.h"
#include "spreadsheet/CellValue.h"

// Empty and error values give the empty text.
QString cellText(const CellValue &value, const RegionalSettings &settings);
