#pragma once

#include "BatchCommand.h"

// The register out of the ledger and into it:
//   roviradavev-batch ledger export LEDGER FILE.xlsx
//   roviradavev-batch ledger import-register LEDGER FILE(.xlsx|.xls|.csv)
namespace LedgerTransferCommands {
// Whether 'subcommand' of ledger is one of these.
bool handles(const QString &subcommand);
// 'arguments' begin with the subcommand.
int run(BatchArguments arguments);
// The register of the ledger at 'ledgerPath' to 'out' (also register --ledger).
int exportRegister(const QString &ledgerPath, const QString &out);
} // namespace LedgerTransferCommands
