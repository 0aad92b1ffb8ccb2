#pragma once
// The documents printed from the ledger, made by the letter run out of the letters chosen:
// the 发函清单 and the 第二次询证函. The desktop and the batch tool print the same.

#include "engine/ReportDocument.h"
#include "ledger/LedgerTypes.h"
#include "platform/RegionalSettings.h"

class LedgerStore;
class StringGridModel;

namespace FollowUpDocuments {
inline const QString SecondRequestTemplate = QStringLiteral("第二次询证函");

// The 发函清单 of 'letters' in their order, from the template so named or that file; named
// by its letters (发函清单（12 封）). Raises Exception when there are none or the template
// is not found.
ReportDocument dispatchList(const LedgerStore &ledger, const QList<LedgerLetter> &letters,
                            const RegionalSettings &settings, const QString &templateNameOrFile);

// The 第二次询证函 of 'letters' as the letter run makes them from 'table', which it fills (see
// SecondRequests::fill, which raises for a letter that needs none).
ReportDocument secondRequests(StringGridModel &table, const LedgerStore &ledger,
                              const QList<LedgerLetter> &letters, const RegionalSettings &settings,
                              const QString &templateNameOrFile);

// The ledger's live letters of these numbers, in that order; raises Exception naming those
// it lacks, then those voided.
QList<LedgerLetter> lettersNumbered(const LedgerStore &ledger, const QStringList &numbers);
} // namespace FollowUpDocuments
