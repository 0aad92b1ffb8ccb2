#pragma once

#include "BatchCommand.h"

// roviradavev-batch register WORKBOOK [--template NAME_OR_FILE] --out FILE.xlsx: the
// confirmation register of the letters the workbook gives.
int runRegisterCommand(BatchArguments arguments);
