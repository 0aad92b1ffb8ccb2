#pragma once
// Reconciling items as one line of text a reader of the register takes in at a glance:
// "在途款项 -100.00 2026-12-01 BK-7；在途货物 -50.00".

#include "ledger/ReconciliationTypes.h"

#include <QString>

namespace ReconcilingItemsText {
QString of(const QList<ReconcilingItem> &items);
} // namespace ReconcilingItemsText
