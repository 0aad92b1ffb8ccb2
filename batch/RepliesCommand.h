#pragma once

#include "BatchCommand.h"

// roviradavev-batch replies (--register FILE.xlsx | --workbook FILE | --ledger LEDGER
// [--channel 方式] [--received yyyy-mm-dd]) SCAN... [--out FILE.xlsx]: the scanned replies
// read and matched, a line per page, then the counts; with --ledger recorded in it, a file
// at a time. Exit status 0 when every page was matched (or repeated), 3 when some were not,
// 1 on errors.
int runRepliesCommand(BatchArguments arguments);
