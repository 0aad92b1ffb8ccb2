#pragma once
// How and when letters left, and addresses checked, set for several letters at once.

#include "ledger/LedgerTypes.h"

#include <QStringList>

class LedgerStore;

namespace DispatchDetails {
// The ways a letter leaves that the window offers; others may be typed.
QStringList methods();
// The ways an address is checked that the window offers; others may be typed.
QStringList checkWays();

// Sets 发函方式 and/or 发函日期 (an empty method or an invalid date leaves that field as it
// is) of the letters so numbered, in one transaction. Returns the numbers not in the
// ledger. Raises Exception, keeping nothing, when neither is given.
QStringList setSent(LedgerStore &ledger, const QStringList &numbers, const QString &method,
                    const QDate &on);
// Records the same check for each letter so numbered ('check.number' is ignored).
void checkAddresses(LedgerStore &ledger, const QStringList &numbers, const AddressCheck &check);
} // namespace DispatchDetails
