#pragma once
// The confirmation register (函证控制表) of a letter run, as an .xlsx workbook the auditor
// keeps: one row per letter with what the run knows, the columns the auditor fills in as
// replies come back, and a summary sheet of formulas over them.

#include "engine/ReportDocument.h"

#include <QString>

namespace RegisterWriter {
// The columns of the register, in order, up to the letter's further fields.
QStringList fixedTitles();
// The columns the auditor fills in, after the letter's further fields.
QStringList auditorTitles();
// The results the 函证结果 column offers.
QStringList results();

// Writes the register of 'letters' (made with the template called 'templateName') to
// 'path', atomically: a failure leaves no file and raises Exception with the reason.
void write(const ReportDocument &letters, const QString &templateName, const QString &path);
} // namespace RegisterWriter
