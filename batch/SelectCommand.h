#pragma once

#include "BatchCommand.h"

// roviradavev-batch select WORKBOOK --ledger FILE.rvledger [--method METHOD]
//     [--size N | --tolerable AMOUNT [--expected AMOUNT] [--confidence 90|95|99]]
//     [--key-threshold AMOUNT] [--seed DIGITS] [--manual NUMBER,...] [--extend N] [--preview]
int runSelectCommand(BatchArguments arguments);
