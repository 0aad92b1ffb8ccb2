#pragma once
// A1-style cell and range addresses as the server reads and writes them.

#include "platform/ColumnLetters.h"

#include <QString>
#include <optional>

namespace CellAddress {

using ::columnLetters;

struct Range
{
    int firstRow, firstColumn, lastRow, lastColumn; // 1-based, inclusive
};

// "A1", "$B$3", "A1:D20", "$A$1:$XFD$1048576"; nothing for anything else.
std::optional<Range> parseRange(const QString &address);
// Absolute form: "$A$1:$D$20", or "$A$1" for one cell.
QString absolute(const Range &range);

} // namespace CellAddress
