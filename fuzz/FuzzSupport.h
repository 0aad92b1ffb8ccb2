#pragma once
// What the fuzz targets share: a workbook read to the end the way the import reads it, and
// a file to hand readers that take a path.

#include "spreadsheet/SpreadsheetServer.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace FuzzSupport {
// Active sheet, every sheet's name, the used range and its values, one cell.
void readAsTheImportDoes(Workbook &workbook);
// The bytes in a file of this process's own, rewritten for each input.
QString fileWith(const uint8_t *data, size_t size, const char *suffix);
} // namespace FuzzSupport
