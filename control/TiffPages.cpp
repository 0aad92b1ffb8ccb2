#include "TiffPages.h"

#include <QSet>
#include <QtEndian>

#include <array>
#include <cstring>

namespace TiffPages {

namespace {

// How a TIFF lays out its numbers: classic (32-bit places) or BigTIFF (64-bit), either
// byte order.
struct Layout
{
    bool bigEndian = false;
    bool big = false;

    int placeSize() const { return big ? 8 : 4; }
    int countSize() const { return big ? 8 : 2; }
    int entrySize() const { return big ? 20 : 12; }
    // Where the header holds the first directory's place.
    qsizetype firstPlace() const { return big ? 8 : 4; }

    quint64 read(QByteArrayView file, quint64 at, int size) const
    {
        quint64 value = 0;
        for (int i = 0; i < size; ++i) {
            const quint64 byte = quint8(file[qsizetype(at) + i]);
            value |= bigEndian ? byte << (8 * (size - 1 - i)) : byte << (8 * i);
        }
        return value;
    }
    QByteArray bytes(quint64 value, int size) const
    {
        QByteArray out(size, '\0');
        for (int i = 0; i < size; ++i)
            out[bigEndian ? size - 1 - i : i] = char((value >> (8 * i)) & 0xff);
        return out;
    }
    // Where the link to the next directory is, in the directory at 'at'; 0 when out of
    // the file.
    quint64 nextLink(QByteArrayView file, quint64 at) const
    {
        const quint64 size = quint64(file.size());
        if (at < quint64(firstPlace()) + placeSize() || at > size ||
            size - at < quint64(countSize()))
            return 0;
        const quint64 count = read(file, at, countSize());
        // A count no file could hold ends the chain (and keeps the sum below from overflow).
        if (count > size / quint64(entrySize()))
            return 0;
        const quint64 link = at + countSize() + count * entrySize();
        return link <= size && size - link >= quint64(placeSize()) ? link : 0;
    }
};

std::optional<Layout> layoutOf(QByteArrayView file)
{
    if (file.size() < 16)
        return std::nullopt;
    Layout layout;
    if (file.startsWith("MM"))
        layout.bigEndian = true;
    else if (!file.startsWith("II"))
        return std::nullopt;
    const quint64 version = layout.read(file, 2, 2);
    if (version == 43 && layout.read(file, 4, 2) == 8)
        layout.big = true;
    else if (version != 42)
        return std::nullopt;
    return layout;
}

// The file with a few bytes put in place of others, read as a device.
class PatchedFile : public QIODevice
{
public:
    PatchedFile(QByteArrayView file, QList<std::pair<qsizetype, QByteArray>> patches)
        : m_file(file), m_patches(std::move(patches))
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_file.size(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 from = pos();
        const qint64 n = std::clamp<qint64>(m_file.size() - from, 0, maxSize);
        std::memcpy(data, m_file.data() + from, size_t(n));
        for (const auto &[at, bytes] : m_patches)
            for (qsizetype i = 0; i < bytes.size(); ++i)
                if (at + i >= from && at + i < from + n)
                    data[at + i - from] = bytes[i];
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArrayView m_file;
    QList<std::pair<qsizetype, QByteArray>> m_patches;
};

} // namespace

QList<quint64> directories(QByteArrayView file)
{
    const std::optional<Layout> layout = layoutOf(file);
    QList<quint64> found;
    if (!layout)
        return found;
    QSet<quint64> seen;
    quint64 at = layout->read(file, quint64(layout->firstPlace()), layout->placeSize());
    while (at != 0 && !seen.contains(at)) {
        const quint64 link = layout->nextLink(file, at);
        if (link == 0)
            break;
        seen.insert(at);
        found.append(at);
        at = layout->read(file, link, layout->placeSize());
    }
    return found;
}

std::unique_ptr<QIODevice> page(QByteArrayView file, quint64 directory)
{
    const Layout layout = *layoutOf(file);
    // The header points at this page's directory, and the chain ends there.
    return std::make_unique<PatchedFile>(
        file,
        QList<std::pair<qsizetype, QByteArray>>{
            {layout.firstPlace(), layout.bytes(directory, layout.placeSize())},
            {qsizetype(layout.nextLink(file, directory)), layout.bytes(0, layout.placeSize())}});
}

} // namespace TiffPages
