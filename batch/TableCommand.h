#pragma once

#include "BatchCommand.h"

// roviradavev-batch table WORKBOOK [--sheet NAME]: the table as the Import command fills it.
int runTableCommand(BatchArguments arguments);
