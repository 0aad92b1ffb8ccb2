#include "PdfExport.h"

#include "DisplayFormat.h"
#include "PageRenderer.h"
#include "ReportError.h"
#include "SupplementaryGlyphs.h"
#include "pdf/PagePipeline.h"
#include "pdf/PdfError.h"
#include "pdf/ToUnicodeMend.h"
#include "platform/ErrorText.h"
#include "platform/Exception.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace PdfExport {

namespace {

FileFactory g_fileFactory;

std::unique_ptr<QFileDevice> openForWriting(const QString &path, FileKind kind)
{
    std::unique_ptr<QFileDevice> file;
    if (g_fileFactory)
        file = g_fileFactory(path, kind);
    else if (kind == FileKind::InPlace)
        file = std::make_unique<QSaveFile>(path);
    else
        file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly))
        throw ReportError(QStringLiteral("无法写入文件“%1”：%2")
                              .arg(QFileInfo(path).fileName(), fileErrorText(file->errorString())));
    return file;
}

// Puts a file saved in place there; until then nothing of it shows under its name. A staged
// file is closed, and made durable with the others before they are moved.
void commit(QFileDevice &file)
{
    bool done = false;
    if (auto *saved = qobject_cast<QSaveFile *>(&file)) {
        done = saved->commit();
    } else {
        file.close();
        done = file.error() == QFileDevice::NoError;
    }
    if (!done)
        throw ReportError(
            QStringLiteral("无法写入文件“%1”：%2")
                .arg(QFileInfo(file.fileName()).fileName(), fileErrorText(file.errorString())));
}

// Writes what is in the folder's file system to disk, once for all the files staged there.
void syncFolder(const QString &folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::syncfs(fd) == 0;
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (!synced)
        throw ReportError(QStringLiteral("无法写入文件夹“%1”：%2")
                              .arg(QDir::toNativeSeparators(folder),
                                   QString::fromLocal8Bit(std::strerror(error))));
}

// 'count' pages from 'first' on as one PDF into 'device'; pageDone returning false aborts.
void paintPages(const ReportDocument &document, PageRenderer &renderer, QIODevice &device,
                const QString &name, int first, int count, const std::function<bool()> &pageDone)
{
    QPdfWriter writer(&device);
    writer.setResolution(1200);
    writer.setPageSize(QPageSize(renderer.pageSizeMm(), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(document.documentName());
    writer.setCreator(QStringLiteral("roviradavev"));
    QPainter painter;
    if (!painter.begin(&writer))
        throw ReportError(QStringLiteral("无法写入文件“%1”").arg(name));
    const QRectF target(0, 0, writer.width(), writer.height());
    for (int page = first; page < first + count; ++page) {
        if (page > first)
            writer.newPage();
        renderer.paintInto(painter, target, page);
        if (pageDone && !pageDone()) {
            painter.end();
            throw EAbort();
        }
    }
    painter.end();
}

// The PDF with the characters beyond the basic plane in its text layer.
QByteArray mendedTextLayer(const QByteArray &pdf, const QList<GlyphText> &supplementary)
{
    try {
        return ToUnicodeMend::mend(pdf, supplementary);
    } catch (const PdfError &error) {
        throw ReportError(error.message());
    }
}

void renameOrThrow(const QString &from, const QString &to, const QString &name)
{
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(from).toStdString(),
                            QFile::encodeName(to).toStdString(), error);
    if (error)
        throw ReportError(QStringLiteral("无法写入文件“%1”：%2")
                              .arg(name, fileErrorText(QString::fromLocal8Bit(error.message()))));
}

// Moves the finished files into place, each replacing a file of its name in one step, as the
// user agreed to. The files they replace wait in the staging folder until every move has
// succeeded; on a failure the moves are undone and the user's files come back.
void moveAllOrNothing(const QTemporaryDir &staging, const QDir &dir, const QStringList &baseNames)
{
    const QDir replaced(staging.filePath(QStringLiteral("replaced")));
    if (!QDir().mkpath(replaced.path()))
        throw ReportError(
            QStringLiteral("无法在文件夹“%1”中写入文件").arg(QDir::toNativeSeparators(dir.path())));
    std::vector<std::pair<QString, QString>> done; // renames made, from and to
    try {
        for (const QString &baseName : baseNames) {
            const QString name = baseName + QStringLiteral(".pdf");
            const QString target = dir.filePath(name);
            const QFileInfo existing(target);
            if (existing.isDir() && !existing.isSymLink())
                throw ReportError(QStringLiteral("无法写入文件“%1”：已有同名的文件夹").arg(name));
            if (existing.exists() || existing.isSymLink()) {
                renameOrThrow(target, replaced.filePath(name), name);
                done.emplace_back(target, replaced.filePath(name));
            }
            renameOrThrow(staging.filePath(name), target, name);
            done.emplace_back(staging.filePath(name), target);
        }
    } catch (...) {
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            std::error_code ignored; // the first failure is the one to report
            std::filesystem::rename(QFile::encodeName(it->second).toStdString(),
                                    QFile::encodeName(it->first).toStdString(), ignored);
        }
        throw;
    }
}

// The first 'count' pages each by itself as a PDF, handed to 'take' in page order; 'nameOf'
// names a chunk (by its first page) in an error. Half the work is drawing the pages into
// documents whose fonts are built once; the other half is cutting those into one small
// file per page.
void cutPages(const ReportDocument &document, int count, const TakePage &take,
              const Progress &progress, const std::function<QString(int first)> &nameOf)
{
    int painted = 0, taken = 0;
    auto report = [&] { return !progress || progress((painted + taken) / 2, count); };
    PageRenderer renderer(document);
    const QList<GlyphText> supplementary = SupplementaryGlyphs::of(document);
    QStringList titles;
    if (!document.pageName.isEmpty())
        for (int page = 0; page < count; ++page)
            titles.append(renderer.expand(document.pageName, page));
    try {
        PagePipeline::run(
            count,
            [&](int first, int pages) {
                QBuffer chunk;
                chunk.open(QIODevice::WriteOnly);
                paintPages(document, renderer, chunk, nameOf(first), first, pages, [&] {
                    ++painted;
                    return report();
                });
                return supplementary.isEmpty() ? chunk.data()
                                               : mendedTextLayer(chunk.data(), supplementary);
            },
            [&](int page, const QByteArray &bytes) {
                take(page, bytes);
                ++taken;
                if (!report())
                    throw EAbort();
            },
            titles);
    } catch (const PdfError &error) {
        throw ReportError(error.message());
    }
}

} // namespace

void setFileFactory(FileFactory factory)
{
    g_fileFactory = std::move(factory);
}

void writeAll(const ReportDocument &document, const QString &path, const Progress &progress)
{
    PageRenderer renderer(document);
    const int pages = document.pageCount();
    int done = 0;
    const QString name = QFileInfo(path).fileName();
    auto pageDone = [&] { return !progress || progress(++done, pages); };
    const std::unique_ptr<QFileDevice> file = openForWriting(path, FileKind::InPlace);
    const QList<GlyphText> supplementary = SupplementaryGlyphs::of(document);
    if (supplementary.isEmpty()) {
        paintPages(document, renderer, *file, name, 0, pages, pageDone);
    } else {
        QBuffer drawn;
        drawn.open(QIODevice::WriteOnly);
        paintPages(document, renderer, drawn, name, 0, pages, pageDone);
        const QByteArray mended = mendedTextLayer(drawn.data(), supplementary);
        if (file->write(mended) != mended.size())
            throw ReportError(QStringLiteral("无法写入文件“%1”：%2")
                                  .arg(name, fileErrorText(file->errorString())));
    }
    commit(*file);
}

void writeEach(const ReportDocument &document, const QString &folder, const QStringList &baseNames,
               const Progress &progress, QList<QByteArray> *fileSha256)
{
    const QDir dir(folder);
    // The files are made in a hidden folder beside their place and moved there only when all
    // are done: a cancelled or failed run leaves the folder as it found it.
    QTemporaryDir staging(dir.filePath(QStringLiteral(".roviradavev-XXXXXX")));
    if (!staging.isValid())
        throw ReportError(
            QStringLiteral("无法在文件夹“%1”中写入文件：%2")
                .arg(QDir::toNativeSeparators(folder), fileErrorText(staging.errorString())));
    const int count = int(std::min(qsizetype(document.pageCount()), baseNames.size()));
    QList<QByteArray> hashes;
    cutPages(
        document, count,
        [&](int page, const QByteArray &bytes) {
            const std::unique_ptr<QFileDevice> file = openForWriting(
                staging.filePath(baseNames[page] + QStringLiteral(".pdf")), FileKind::Staged);
            if (file->write(bytes) != bytes.size())
                throw ReportError(QStringLiteral("无法写入文件“%1.pdf”：%2")
                                      .arg(baseNames[page], fileErrorText(file->errorString())));
            commit(*file);
            if (fileSha256)
                hashes.append(sha256Hex(bytes));
        },
        progress, [&](int first) { return baseNames.value(first); });
    syncFolder(staging.path());
    moveAllOrNothing(staging, dir, baseNames.mid(0, count));
    if (fileSha256)
        *fileSha256 = std::move(hashes);
}

void eachPage(const ReportDocument &document, const TakePage &take, const Progress &progress)
{
    cutPages(document, document.pageCount(), take, progress,
             [&](int) { return document.documentName(); });
}

QByteArray sha256Hex(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QStringList fieldTexts(const ReportDocument &document, const QString &field)
{
    QStringList texts;
    const int index = document.report.fieldIndex(field);
    // A page of many records is named after its first.
    for (int page = 0; page < document.pageCount(); ++page) {
        const RecordValues &record = document.records[document.firstRecordOf(page)];
        texts.append(index >= 0 && index < record.size()
                         ? DisplayFormat::apply(record[index], QString())
                         : QString());
    }
    return texts;
}

} // namespace PdfExport
