#pragma once
// Reads an Office Open XML workbook (.xlsx) from its zip package.

#include "WorkbookData.h"

#include <memory>

namespace XlsxReader {
// Throws ReadFailure when the file is not such a workbook or is damaged.
std::unique_ptr<WorkbookData> read(const QString &path);
} // namespace XlsxReader
