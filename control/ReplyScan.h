#pragma once
// Reads scanned replies into a reply list: every page of every file, its codes read and
// matched. A damaged file or page is listed with its reason and the scan goes on.

#include "ReplyList.h"

#include <functional>

namespace ReplyScan {
// How far the scan is (0 to 1) and what it reads now; false asks it to stop.
using Progress = std::function<bool(double done, const QString &reading)>;

// The resolution pages of PDF files are read at.
constexpr double kDotsPerInch = 200;

// Adds a line for each page of 'files' to 'list'; false when the progress asked to stop
// (the list then holds the pages read before).
bool run(const QStringList &files, ReplyList &list, const Progress &progress = {});
} // namespace ReplyScan
