#pragma once

#include "BatchCommand.h"

// roviradavev-batch ledger copy FROM TO: one engagement copied whole between a ledger file
// and the confirmation centre's server (either way), into a new file or engagement.
int runLedgerCopyCommand(BatchArguments arguments);
