#pragma once

#include "BatchCommand.h"

// roviradavev-batch check WORKBOOK [--template NAME_OR_FILE]: a field without its column, and
// every data row whose values would stop the printing; before them, warnings of titles that
// name another field or repeat; after them, the rows whose texts do not fit their boxes.
int runCheckCommand(BatchArguments arguments);
