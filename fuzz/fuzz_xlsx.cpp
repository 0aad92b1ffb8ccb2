// The .xlsx reader on a whole file (the zip package and its XML parts), read as the
// import reads it.

#include "FuzzSupport.h"
#include "spreadsheet/ReadFailure.h"
#include "spreadsheet/SpreadsheetError.h"
#include "spreadsheet/XlsxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    try {
        auto workbook = XlsxReader::read(FuzzSupport::fileWith(data, size, ".xlsx"));
        FuzzSupport::readAsTheImportDoes(*workbook);
    } catch (const ReadFailure &) {
    } catch (const SpreadsheetError &) {
    }
    return 0;
}
