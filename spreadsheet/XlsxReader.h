#pragma once
// Reads an Office Open XML workbook (.xlsx) from its zip package.

#include "WorkbookData.h"

#include <memory>

namespace XlsxReader {
// Throws ReadFailure when the file is not such a workbook or is damaged. Large parts are
// parsed a piece of at most 'pieceSize' bytes at a time.
std::unique_ptr<WorkbookData> read(const QString &path, qsizetype pieceSize = 256 * 1024);
} // namespace XlsxReader
