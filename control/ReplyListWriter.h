#pragma once
// The reply list as an .xlsx workbook: 回函清单 (a line per page read) and 未回函 (the
// letters no page answered).

#include "ReplyList.h"

namespace ReplyListWriter {
QStringList replyTitles();      // 回函清单's columns
QStringList unansweredTitles(); // 未回函's columns
// Writes atomically; a failure leaves no file and raises Exception with the reason.
void write(const ReplyList &list, const QString &path);
} // namespace ReplyListWriter
