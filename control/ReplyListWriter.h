#pragma once
// The reply list as an .xlsx workbook: 回函清单 (a line per page read) and 未回函 (the
// letters no page answered).

#include "ReplyList.h"

namespace ReplyListWriter {
QStringList replyTitles();      // 回函清单's columns, the check's last
QStringList checkTitles();      // the check's columns: what ReplyLine::checkTexts holds
QStringList unansweredTitles(); // 未回函's columns
// Writes atomically; a failure leaves no file and raises Exception with the reason. The
// register the replies were matched against is the auditor's working paper: writing over
// it is refused.
// Whether two paths name one file: by device and inode when both are there, by their
// cleaned absolute paths otherwise.
bool sameFile(const QString &a, const QString &b);
// Raises the refusal to write over the register, before any work is done.
void checkTarget(const QString &path, const QString &registerFile);
void write(const ReplyList &list, const QString &path, const QString &registerFile = QString());
} // namespace ReplyListWriter
