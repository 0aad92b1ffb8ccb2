#pragma once
// A print run's letters into the confirmation ledger: what each letter says, the check that
// no number goes out again with other content, and the run recorded once its output is done.

#include "engine/ReportDocument.h"
#include "ledger/LedgerTypes.h"

#include <functional>

class LedgerStore;
class StringGridModel;

namespace LetterRecording {
// How a run sent its letters, as the ledger names it.
inline const QString Printed = QStringLiteral("打印");
inline const QString Pdf = QStringLiteral("PDF");
inline const QString EachPdf = QStringLiteral("分页PDF");

// What each letter of 'letters' says, by page: its number, customer, cut-off date, amount
// in cents (rounded) and the template's further fields as the letter shows them.
QList<LetterIdentity> identities(const ReportDocument &letters, const QString &templateName);

// The field a letter's QR code shows: with a ledger, the number and its keyed checksum.
inline const QString CodeField = QStringLiteral("函证码");
// Fills each letter's code field (when the template has one) with its number and the
// checksum keyed with 'ledger's secret; the number alone stays where the ledger has no key.
void stampCodes(const LedgerStore &ledger, ReportDocument &letters, const QString &templateName);
// The reply areas of 'report' as the reply check reads them, in page millimetres.
QString replyAreasOf(const ReportTemplate &report);

// The title of the column that holds where each letter is e-mailed.
inline const QString EmailTitle = QStringLiteral("邮箱");
// The fields a letter keeps from its row at print time, by the titles of their columns.
QList<QPair<LetterField, QStringList>> contactTitles();
// The 邮箱, 地址 and 电话 of each of 'rows' of the table (its first row holds the titles),
// trimmed, of the columns it has; empty when it has none of them.
QList<LetterContacts> contacts(const StringGridModel &table, const QList<int> &rows);

// Raises Exception before the first letter is printed when the run cannot be recorded: a
// ledger opened read-only, letters without a number or sharing one, numbers sent before
// with other content, a 邮箱 of 'contacts' (by letter) that is not an address. 'placeOf' names
// letter i as the sheet does (第5行).
void requireSendable(const LedgerStore &ledger, const ReportDocument &letters,
                     const QString &templateName,
                     const std::function<QString(qsizetype letter)> &placeOf,
                     const QList<LetterContacts> &contacts = {});

// Records the run that sent 'pages' (from 0) of 'letters' as 'kind' to 'output'. The hash
// of each letter's own page PDF comes from 'pageSha256' (by page of 'letters', as
// PdfExport::writeEach hands them back) or, when that is empty, is made here, 'progress'
// following the pages made (its answer is not heeded: the letters are out by then).
// A letter keeps its 'contacts' (by page). Each letter keeps its page PDF, for its reply to be
// checked against and to be e-mailed: the file of 'pageFiles' (by page) the hash was made of,
// or the page made here.
LedgerRun record(LedgerStore &ledger, const ReportDocument &letters, const QString &templateName,
                 const QString &kind, const QString &output, const QList<int> &pages,
                 QList<QByteArray> pageSha256 = {},
                 const std::function<void(int done, int total)> &progress = {},
                 const QList<LetterContacts> &contacts = {}, const QStringList &pageFiles = {});
} // namespace LetterRecording
