#pragma once
// The confirmation register (函证控制表) as an .xlsx workbook the auditor keeps: one row per
// letter with what is known of it, the columns the auditor fills in as replies come back,
// and a summary sheet of formulas over them. Written from a letter run, or from the ledger
// with every kept field filled in and the ledger's log beside it.

#include "engine/ReportDocument.h"

#include <QString>

class LedgerStore;

namespace RegisterWriter {
// The columns of the register, in order, up to the letter's further fields.
QStringList fixedTitles();
// The columns the auditor fills in, after the letter's further fields.
QStringList auditorTitles();
// The columns of the ledger's register after the auditor's: the reconciliations, the
// alternative procedures and how the evaluation judged each confirmation.
QStringList judgedTitles();
// The results the 函证结果 column offers: the ledger's.
QStringList results();
// The columns of the sheet 操作记录 (the ledger's log).
QStringList logTitles();

// Writes the register of 'letters' (made with the template called 'templateName') to
// 'path', atomically: a failure leaves no file and raises Exception with the reason.
void write(const ReportDocument &letters, const QString &templateName, const QString &path);
// The register of the ledger's live letters, in the ledger's order, and its whole log.
void write(const LedgerStore &ledger, const QString &path);
} // namespace RegisterWriter
