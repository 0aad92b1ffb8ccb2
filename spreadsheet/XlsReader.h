#pragma once
// Reads an Excel 97-2003 (BIFF8) or Excel 5/95 (BIFF5) workbook from its OLE2 compound file.

#include "WorkbookData.h"

#include <memory>

namespace XlsReader {
// Throws ReadFailure when the file is not such a workbook or is damaged.
std::unique_ptr<WorkbookData> read(const QString &path);
// Reads a workbook stream's bytes (the BIFF records) directly.
std::unique_ptr<WorkbookData> readStream(const QByteArray &stream);
} // namespace XlsReader
