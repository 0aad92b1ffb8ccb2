#pragma once

#include "BatchCommand.h"

// roviradavev-batch records WORKBOOK [--template NAME_OR_FILE]: one JSON line per record.
int runRecordsCommand(BatchArguments arguments);
