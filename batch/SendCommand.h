#pragma once

#include "BatchCommand.h"

// roviradavev-batch send --ledger F (--letters|--reminders) --smtp URL [--user U]
// [--from ADDR] [--days N] [--cacert FILE] [--pin sha256//…]: the letters (their PDF
// attached) or the reminders by e-mail, each recorded in the ledger; 3 when one failed.
int runSendCommand(BatchArguments arguments);
