#pragma once
// Reads scanned replies into a reply list: every page of every file, its codes read and
// matched. A damaged file or page is listed with its reason and the scan goes on.

#include "ReplyList.h"
#include "engine/CodeReader.h"

#include <functional>

namespace ReplyScan {
// How far the scan is (0 to 1) and what it reads now; false asks it to stop.
using Progress = std::function<bool(double done, const QString &reading)>;

// The resolution pages of PDF files are read at.
constexpr double kDotsPerInch = 200;

// Told before a file is read, with the hash of its content (empty when it cannot be read):
// false skips the file, which then has no line but what the hook adds.
using Before = std::function<bool(const QString &file, const QByteArray &contentHash)>;
// Told when every page of a file is in the list, from line 'firstLine' on.
using After =
    std::function<void(const QString &file, const QByteArray &contentHash, int firstLine)>;

// Told of each page read, once its line 'line' is in the list, with the page and its codes:
// to look closer at what the codes alone do not tell.
using Inspect =
    std::function<void(int line, const QImage &page, const QList<CodeReader::Code> &codes)>;

// Adds a line for each page of 'files' to 'list'; false when the progress asked to stop
// (the list then holds the pages read before; 'after' was told of whole files alone).
bool run(const QStringList &files, ReplyList &list, const Progress &progress = {},
         const Before &before = {}, const After &after = {}, const Inspect &inspect = {});
} // namespace ReplyScan
