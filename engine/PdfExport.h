#pragma once
// Writes the pages of a generated report to PDF through the page renderer, atomically:
// a failed or cancelled export leaves no half-written file.

#include "ReportDocument.h"

#include <functional>
#include <memory>

class QFileDevice;

namespace PdfExport {
// Called after each page with the pages done and the total; returning false cancels,
// and the export then raises EAbort.
using Progress = std::function<bool(int done, int total)>;

// All pages into one file. Raises ReportError when the file cannot be written.
void writeAll(const ReportDocument &document, const QString &path, const Progress &progress = {});
// One file per page, named by 'baseNames' (one per page, without ".pdf") in 'folder'.
// 'fileSha256', when given, receives each file's SHA-256 (hex), by page.
void writeEach(const ReportDocument &document, const QString &folder, const QStringList &baseNames,
               const Progress &progress = {}, QList<QByteArray> *fileSha256 = nullptr);
// Each page by itself as a PDF in memory, handed over in page order: the very bytes
// writeEach writes for that page in a run of the same second (the PDF says when it was made).
using TakePage = std::function<void(int page, const QByteArray &pdf)>;
void eachPage(const ReportDocument &document, const TakePage &take, const Progress &progress = {});
// The SHA-256 of a file's bytes, as hex.
QByteArray sha256Hex(const QByteArray &bytes);
// Where each file's bytes go: a QSaveFile on its path for a file written in its place, a
// plain QFile for one written into the hidden folder that one file per page is made in
// (moved out all together, so each needs no atomic save of its own); unless a test puts
// one in place that fails as a full disk would. An empty factory restores the plain ones.
enum class FileKind
{
    InPlace,
    Staged
};
using FileFactory = std::function<std::unique_ptr<QFileDevice>(const QString &path, FileKind kind)>;
void setFileFactory(FileFactory factory);
// The texts of one field for every page, as displayed, for naming the files.
QStringList fieldTexts(const ReportDocument &document, const QString &field);
} // namespace PdfExport
