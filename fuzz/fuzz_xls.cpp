// The .xls reader on a whole file (the compound file and its BIFF records), read as the
// import reads it.

#include "FuzzSupport.h"
#include "spreadsheet/ReadFailure.h"
#include "spreadsheet/SpreadsheetError.h"
#include "spreadsheet/XlsReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    try {
        auto workbook = XlsReader::read(FuzzSupport::fileWith(data, size, ".xls"));
        FuzzSupport::readAsTheImportDoes(*workbook);
    } catch (const ReadFailure &) {
    } catch (const SpreadsheetError &) {
    }
    return 0;
}
