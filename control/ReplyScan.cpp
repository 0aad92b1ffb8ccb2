#include "ReplyScan.h"

#include "ScannedFile.h"
#include "engine/CodeReader.h"
#include "platform/Exception.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <future>
#include <optional>
#include <system_error>

namespace ReplyScan {

namespace {

struct Picture
{
    QImage image;
    QString failure;
};

Picture render(const ScannedFile &file, int page)
{
    try {
        return {file.page(page), QString()};
    } catch (const Exception &error) {
        return {QImage(), error.message()};
    } catch (const std::bad_alloc &) {
        return {QImage(), QStringLiteral("页面太大，内存不足")};
    }
}

// The next page is drawn on the other core while this one's codes are read.
std::future<Picture> renderAhead(const ScannedFile &file, int page)
{
    try {
        return std::async(std::launch::async, render, std::cref(file), page);
    } catch (const std::system_error &) {
        return std::async(std::launch::deferred, render, std::cref(file), page);
    }
}

// The content's hash, or nothing when the file is empty or cannot be read (ScannedFile says
// why).
QByteArray contentHash(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0 || !hash.addData(&file))
        return QByteArray();
    return hash.result();
}

} // namespace

bool run(const QStringList &files, ReplyList &list, const Progress &progress, const Before &before,
         const After &after, const Inspect &inspect)
{
    const int fileCount = int(files.size());
    for (int f = 0; f < fileCount; ++f) {
        const QString &path = files[f];
        const QString name = QFileInfo(path).fileName();
        if (progress && !progress(double(f) / fileCount, name))
            return false;
        const QByteArray hash = contentHash(path);
        if (before && !before(path, hash))
            continue;
        if (!hash.isEmpty() && !list.startFile(path, hash))
            continue;
        const int firstLine = int(list.lines().size());
        std::optional<ScannedFile> file;
        try {
            file.emplace(path, kDotsPerInch);
        } catch (const Exception &error) {
            list.addUnreadable(path, 0, error.message());
            if (after)
                after(path, hash, firstLine);
            continue;
        }
        const int pages = file->pageCount();
        std::future<Picture> next = renderAhead(*file, 0);
        for (int page = 0; page < pages; ++page) {
            const Picture picture = next.get();
            if (page + 1 < pages)
                next = renderAhead(*file, page + 1);
            if (picture.image.isNull()) {
                list.addUnreadable(path, page + 1, picture.failure);
            } else {
                const QList<CodeReader::Code> codes = CodeReader::read(picture.image);
                list.addPage(path, page + 1, CodeReader::textsOf(codes));
                if (inspect)
                    inspect(int(list.lines().size()) - 1, picture.image, codes);
            }
            const QString reading =
                pages > 1 ? QStringLiteral("%1 第 %2/%3 页").arg(name).arg(page + 1).arg(pages)
                          : name;
            if (progress && !progress((f + double(page + 1) / pages) / fileCount, reading)) {
                if (next.valid())
                    next.wait(); // the page drawn ahead still uses the file
                return false;
            }
        }
        if (after)
            after(path, hash, firstLine);
    }
    if (progress)
        progress(1.0, QString());
    return true;
}

} // namespace ReplyScan
