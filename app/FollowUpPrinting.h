#pragma once
// Printing from the ledger window: the 发函清单 of chosen letters, and the 第二次询证函 of
// unanswered ones, each through the print preview.

#include "ledger/LedgerTypes.h"

#include <functional>

class LedgerStore;
class QWidget;

namespace FollowUpPrinting {

// Shows the 发函清单 of 'letters', in their order, in the modal print preview; printed or
// exported from there, it is not a letter and the ledger records nothing.
void printDispatchList(QWidget *owner, LedgerStore &ledger, const QList<LedgerLetter> &letters);

// Shows the 第二次询证函 of 'letters' in the modal letter preview, each printed or exported
// one recorded in the ledger as a letter of its own that follows its first. Raises Exception,
// showing nothing, for a letter voided or answered already. 'recorded' follows every attempt
// to record.
void printSecondRequests(QWidget *owner, LedgerStore &ledger, const QList<LedgerLetter> &letters,
                         const std::function<void()> &recorded = {});
} // namespace FollowUpPrinting
