#pragma once

#include "BatchCommand.h"

// roviradavev-batch check WORKBOOK: every data row whose date or amount would stop the printing.
int runCheckCommand(BatchArguments arguments);
