#pragma once

#include "BatchCommand.h"

// roviradavev-batch register WORKBOOK [--template NAME_OR_FILE] --out FILE.xlsx: the
// confirmation register of the letters the workbook gives; register --ledger LEDGER --out
// FILE.xlsx: the register of the ledger's letters.
int runRegisterCommand(BatchArguments arguments);
