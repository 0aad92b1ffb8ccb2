#pragma once
// A print run's letters into the confirmation ledger: what each letter says, the check that
// no number goes out again with other content, and the run recorded once its output is done.

#include "engine/ReportDocument.h"
#include "ledger/LedgerTypes.h"

#include <functional>

class LedgerStore;

namespace LetterRecording {
// How a run sent its letters, as the ledger names it.
inline const QString Printed = QStringLiteral("打印");
inline const QString Pdf = QStringLiteral("PDF");
inline const QString EachPdf = QStringLiteral("分页PDF");

// What each letter of 'letters' says, by page: its number, customer, cut-off date, amount
// in cents (rounded) and the template's further fields as the letter shows them.
QList<LetterIdentity> identities(const ReportDocument &letters, const QString &templateName);

// Raises Exception before the first letter is printed when the run cannot be recorded: a
// ledger opened read-only, letters without a number or sharing one, numbers sent before
// with other content. 'placeOf' names letter i as the sheet does (第5行).
void requireSendable(const LedgerStore &ledger, const ReportDocument &letters,
                     const QString &templateName,
                     const std::function<QString(qsizetype letter)> &placeOf);

// Records the run that sent 'pages' (from 0) of 'letters' as 'kind' to 'output'. The hash
// of each letter's own page PDF comes from 'pageSha256' (by page of 'letters', as
// PdfExport::writeEach hands them back) or, when that is empty, is made here, 'progress'
// following the pages made (its answer is not heeded: the letters are out by then).
LedgerRun record(LedgerStore &ledger, const ReportDocument &letters, const QString &templateName,
                 const QString &kind, const QString &output, const QList<int> &pages,
                 QList<QByteArray> pageSha256 = {},
                 const std::function<void(int done, int total)> &progress = {});
} // namespace LetterRecording
