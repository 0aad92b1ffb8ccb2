#pragma once

#include "BatchCommand.h"

// The exit status of 'ledger verify' when the ledger was changed outside the program.
constexpr int kLedgerBrokenStatus = 4;

// roviradavev-batch ledger new FILE [--engagement NAME] | info FILE |
//                          letters FILE [--state STATE] | verify FILE | log FILE [--letter NUMBER]
//                          | parties FILE [--client NAME] [--add NAME]... [--remove NAME]...
//                          | tolerance FILE [AMOUNT] | init-server ADDRESS
int runLedgerCommand(const QString &subcommand, BatchArguments arguments);
