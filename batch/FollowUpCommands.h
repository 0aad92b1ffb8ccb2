#pragma once
// The documents printed from the ledger, to PDF: the 发函清单 and the 第二次询证函.

#include "BatchCommand.h"

// roviradavev-batch dispatch-list --ledger FILE.rvledger --out FILE.pdf [--letters N,...]
//                                 [--template NAME_OR_FILE]
int runDispatchListCommand(BatchArguments arguments);
// roviradavev-batch second-requests --ledger FILE.rvledger --letters N,... --out FILE.pdf
//                                   [--template NAME_OR_FILE]
int runSecondRequestsCommand(BatchArguments arguments);
