#pragma once

#include "BatchCommand.h"

// roviradavev-batch print WORKBOOK [--template NAME_OR_FILE] (--pdf FILE | --split DIR)
//                         [--ledger FILE.rvledger [--selection]]
int runPrintCommand(BatchArguments arguments);
