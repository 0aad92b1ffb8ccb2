#include "PdfExport.h"

#include "DisplayFormat.h"
#include "PageRenderer.h"
#include "ReportError.h"
#include "pdf/PageSplitter.h"
#include "platform/Exception.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

namespace PdfExport {

namespace {

FileFactory g_fileFactory;

std::unique_ptr<QSaveFile> openForWriting(const QString &path)
{
    std::unique_ptr<QSaveFile> file =
        g_fileFactory ? g_fileFactory(path) : std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly))
        throw ReportError(QStringLiteral("无法写入文件“%1”：%2")
                              .arg(QFileInfo(path).fileName(), file->errorString()));
    return file;
}

// Puts the file in its place; until then nothing of it shows under its name.
void commit(QSaveFile &file)
{
    if (!file.commit())
        throw ReportError(QStringLiteral("无法写入文件“%1”：%2")
                              .arg(QFileInfo(file.fileName()).fileName(), file.errorString()));
}

// The given pages as one PDF into 'device'; pageDone returning false aborts.
void paintPages(const ReportDocument &document, PageRenderer &renderer, QIODevice &device,
                const QString &name, int pageCount, const std::function<bool()> &pageDone)
{
    QPdfWriter writer(&device);
    writer.setResolution(1200);
    writer.setPageSize(QPageSize(renderer.pageSizeMm(), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(document.title);
    writer.setCreator(QStringLiteral("roviradavev"));
    QPainter painter;
    if (!painter.begin(&writer))
        throw ReportError(QStringLiteral("无法写入文件“%1”").arg(name));
    const QRectF target(0, 0, writer.width(), writer.height());
    for (int page = 0; page < pageCount; ++page) {
        if (page > 0)
            writer.newPage();
        renderer.paintInto(painter, target, page);
        if (pageDone && !pageDone()) {
            painter.end();
            throw EAbort();
        }
    }
    painter.end();
}

// Cuts the PDF into its pages on every core. 'take' receives each page's file in page
// order, on the calling thread; what it raises stops the work.
void splitPages(const QByteArray &pdf, int count,
                const std::function<void(int, const QByteArray &)> &take)
{
    const int workers = std::clamp(QThread::idealThreadCount(), 1, std::max(count, 1));
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<QByteArray>> files(static_cast<size_t>(count));
    int next = 0, taken = 0;
    bool stop = false;
    std::exception_ptr failure;
    auto work = [&] {
        try {
            const std::unique_ptr<PageSplitter> splitter = PageSplitter::open(pdf);
            for (;;) {
                int page = 0;
                {
                    std::unique_lock lock(mutex);
                    // A few pages ahead of the writer at most, so memory stays small.
                    changed.wait(lock, [&] { return stop || next < taken + 4 * workers; });
                    if (stop || next >= count)
                        return;
                    page = next++;
                }
                QByteArray file;
                try {
                    file = splitter->page(page);
                } catch (const std::runtime_error &e) {
                    throw ReportError(QString::fromUtf8(e.what()));
                }
                const std::lock_guard lock(mutex);
                files[size_t(page)] = std::move(file);
                changed.notify_all();
            }
        } catch (...) {
            const std::lock_guard lock(mutex);
            if (!failure)
                failure = std::current_exception();
            stop = true;
            changed.notify_all();
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < workers; ++i)
        threads.emplace_back(work);
    const auto joinAll = qScopeGuard([&] {
        {
            const std::lock_guard lock(mutex);
            stop = true;
        }
        changed.notify_all();
        for (std::thread &thread : threads)
            thread.join();
    });
    for (int page = 0; page < count; ++page) {
        QByteArray file;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return files[size_t(page)].has_value() || failure; });
            if (!files[size_t(page)])
                std::rethrow_exception(failure);
            file = std::move(*files[size_t(page)]);
            files[size_t(page)].reset();
            taken = page + 1;
        }
        changed.notify_all();
        take(page, file);
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
    const std::unique_ptr<QSaveFile> file = openForWriting(path);
    paintPages(document, renderer, *file, QFileInfo(path).fileName(), pages,
               [&] { return !progress || progress(++done, pages); });
    commit(*file);
}

void writeEach(const ReportDocument &document, const QString &folder, const QStringList &baseNames,
               const Progress &progress)
{
    const QDir dir(folder);
    // The files are made in a hidden folder beside their place and moved there only when all
    // are done: a cancelled or failed run leaves the folder as it found it.
    QTemporaryDir staging(dir.filePath(QStringLiteral(".roviradavev-XXXXXX")));
    if (!staging.isValid())
        throw ReportError(QStringLiteral("无法在文件夹“%1”中写入文件：%2")
                              .arg(QDir::toNativeSeparators(folder), staging.errorString()));
    const int count = int(std::min(qsizetype(document.pageCount()), baseNames.size()));
    // Half the work is drawing all pages into one document, whose fonts are built once;
    // the other half is cutting it into one small file per page.
    int painted = 0, written = 0;
    auto report = [&] { return !progress || progress((painted + written) / 2, count); };
    QBuffer whole;
    whole.open(QIODevice::WriteOnly);
    {
        PageRenderer renderer(document);
        paintPages(document, renderer, whole, baseNames.value(0), count, [&] {
            ++painted;
            return report();
        });
    }
    splitPages(whole.data(), count, [&](int page, const QByteArray &bytes) {
        const std::unique_ptr<QSaveFile> file =
            openForWriting(staging.filePath(baseNames[page] + QStringLiteral(".pdf")));
        if (file->write(bytes) != bytes.size())
            throw ReportError(QStringLiteral("无法写入文件“%1.pdf”：%2")
                                  .arg(baseNames[page], file->errorString()));
        commit(*file);
        ++written;
        if (!report())
            throw EAbort();
    });
    for (int i = 0; i < count; ++i) {
        const QString name = baseNames[i] + QStringLiteral(".pdf");
        std::error_code error;
        // Replaces a file of that name in one step, as the user agreed to.
        std::filesystem::rename(QFile::encodeName(staging.filePath(name)).toStdString(),
                                QFile::encodeName(dir.filePath(name)).toStdString(), error);
        if (error)
            throw ReportError(QStringLiteral("无法写入文件“%1”：%2")
                                  .arg(name, QString::fromLocal8Bit(error.message())));
    }
}

QStringList fieldTexts(const ReportDocument &document, const QString &field)
{
    QStringList texts;
    const int index = document.report.fieldIndex(field);
    for (const RecordValues &record : document.records)
        texts.append(index >= 0 && index < record.size()
                         ? DisplayFormat::apply(record[index], QString())
                         : QString());
    return texts;
}

} // namespace PdfExport
