#include "ZipDirectory.h"

#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kZip64EndSignature = 0x06064b50;
constexpr quint32 kZip64LocatorSignature = 0x07064b50;
constexpr quint32 kEntrySignature = 0x02014b50;
constexpr qsizetype kEndSize = 22;
constexpr qsizetype kLocatorSize = 20;
constexpr qsizetype kEntrySize = 46;
// Beyond this a directory is no package's: the file is refused by the zip library anyway.
constexpr qint64 kLargestDirectory = qint64(64) << 20;

quint16 u16At(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}
quint32 u32At(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
quint64 u64At(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint64>(bytes.constData() + at);
}

QByteArray readAt(int fd, qint64 offset, qint64 size)
{
    if (offset < 0 || size < 0)
        return {};
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got =
            ::pread(fd, bytes.data() + done, size_t(bytes.size() - done), off_t(offset + done));
        if (got <= 0)
            return {};
        done += got;
    }
    return bytes;
}

} // namespace

ZipDirectory ZipDirectory::read(int fd)
{
    ZipDirectory directory;
    struct stat status = {};
    if (fd < 0 || ::fstat(fd, &status) != 0)
        return directory;
    const qint64 fileSize = status.st_size;
    // The end record is last, after a comment of at most 64 KB.
    const qint64 tailSize = std::min<qint64>(fileSize, kEndSize + 0xFFFF);
    const QByteArray tail = readAt(fd, fileSize - tailSize, tailSize);
    qsizetype end = tail.size() - kEndSize;
    while (end >= 0 && u32At(tail, end) != kEndSignature)
        --end;
    if (end < 0)
        return directory;
    const qint64 endOffset = fileSize - tailSize + end;
    qint64 directorySize = u32At(tail, end + 12);
    qint64 directoryEnd = endOffset; // the directory ends where the end records begin
    if (u32At(tail, end + 16) == 0xFFFFFFFFu || directorySize == 0xFFFFFFFF ||
        u16At(tail, end + 10) == 0xFFFF) {
        // A zip64 end record, found through its locator just before the end record.
        const QByteArray locator = readAt(fd, endOffset - kLocatorSize, kLocatorSize);
        if (locator.size() != kLocatorSize || u32At(locator, 0) != kZip64LocatorSignature)
            return directory;
        const qint64 zip64Offset = qint64(u64At(locator, 8));
        const QByteArray zip64 = readAt(fd, zip64Offset, 56);
        if (zip64.size() != 56 || u32At(zip64, 0) != kZip64EndSignature)
            return directory;
        directorySize = qint64(u64At(zip64, 40));
        directoryEnd = zip64Offset;
    }
    // Found back from its end, not by its stated offset: a file with bytes put before the
    // archive (a self-extractor's) keeps offsets that count from the archive's start.
    if (directorySize <= 0 || directorySize > kLargestDirectory || directorySize > directoryEnd)
        return directory;
    const QByteArray entries = readAt(fd, directoryEnd - directorySize, directorySize);
    for (qsizetype at = 0; at + kEntrySize <= entries.size();) {
        if (u32At(entries, at) != kEntrySignature)
            break;
        const quint32 crc = u32At(entries, at + 16);
        const qsizetype nameLength = u16At(entries, at + 28);
        const qsizetype extraLength = u16At(entries, at + 30);
        const qsizetype commentLength = u16At(entries, at + 32);
        if (at + kEntrySize + nameLength > entries.size())
            break;
        const QByteArray name = entries.sliced(at + kEntrySize, nameLength);
        const auto known = directory.m_crcs.constFind(name);
        if (known == directory.m_crcs.constEnd())
            directory.m_crcs.insert(name, crc);
        else if (*known != crc)
            directory.m_crcs.insert(name, std::nullopt); // which one is read is not known
        at += kEntrySize + nameLength + extraLength + commentLength;
    }
    return directory;
}

std::optional<quint32> ZipDirectory::crcOf(const QByteArray &name) const
{
    return m_crcs.value(name, std::nullopt);
}
