#pragma once

#include "BatchCommand.h"

// The exit status of 'evaluate' when the misstatement exceeds the tolerable one.
constexpr int kExceedsTolerableStatus = 3;

// roviradavev-batch evaluate --ledger FILE.rvledger [--csv FILE.csv]
int runEvaluateCommand(BatchArguments arguments);
