#pragma once
// 第二次询证函: further requests for letters not answered, printed by the very letter run of
// the first ones from a table made out of the ledger. Each has its own number (the first
// one's with a suffix: WL-001-2) and code, and names the letter it follows up by its
// number and the day it left, in the fields 原函编号 and 原函日期.

#include "ledger/LedgerTypes.h"
#include "platform/RegionalSettings.h"

class LedgerStore;
class StringGridModel;

namespace SecondRequests {
inline const QString FirstNumber = QStringLiteral("原函编号");
inline const QString FirstDate = QStringLiteral("原函日期");

// The number a further request for the letter 'first' takes: first-2, or -3 and on when
// earlier ones were sent.
QString numberFor(const LedgerStore &ledger, const QString &first);

// Fills 'table' with the further requests for 'letters' as the letter run reads a table:
// customer, cut-off date, amount and the new number by position, then 原函编号, 原函日期
// and every further field the first letters carried, titled by name. Raises Exception for a
// letter voided, answered or with a result entered: it needs no further request.
void fill(StringGridModel &table, const LedgerStore &ledger, const QList<LedgerLetter> &letters,
          const RegionalSettings &settings);

// The letter a sent letter follows up, from what it shows: its 原函编号; empty for a first.
QString followsOf(const LetterIdentity &identity);
} // namespace SecondRequests
