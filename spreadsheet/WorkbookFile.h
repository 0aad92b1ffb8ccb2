#pragma once
// Opens a workbook file, choosing the reader by the file's content, not its name.

#include "WorkbookData.h"

#include <memory>

namespace WorkbookFile {
// Throws SpreadsheetError with a message naming the file and the cause.
std::unique_ptr<WorkbookData> open(const QString &path);
} // namespace WorkbookFile
