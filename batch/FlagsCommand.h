#pragma once

#include "BatchCommand.h"

// The exit status of 'flags' when it found any.
constexpr int kFlagsFoundStatus = 3;

// roviradavev-batch flags --ledger FILE.rvledger [--csv FILE.csv] [--minutes N]
int runFlagsCommand(BatchArguments arguments);
