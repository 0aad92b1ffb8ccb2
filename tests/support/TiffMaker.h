#pragma once
// Multi-page TIFF files for tests and benchmarks: Qt writes one page a file, so the pages are
// laid out here by hand: grey, 8 bits, PackBits (as many scanners write), one strip a page.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QtEndian>

namespace TiffMaker {

namespace detail {
inline void put16(QByteArray &out, quint16 value)
{
    out.append(char(value & 0xff)).append(char(value >> 8));
}
inline void put32(QByteArray &out, quint32 value)
{
    put16(out, quint16(value & 0xffff));
    put16(out, quint16(value >> 16));
}
inline void set32(QByteArray &out, qsizetype at, quint32 value)
{
    qToLittleEndian(value, out.data() + at);
}
// A row packed as TIFF's PackBits packs it: runs of one byte, and literal stretches.
inline void packBits(QByteArray &out, const uchar *row, int n)
{
    for (int i = 0; i < n;) {
        if (i + 1 < n && row[i] == row[i + 1]) {
            int j = i + 1;
            while (j < n && j - i < 128 && row[j] == row[i])
                ++j;
            out.append(char(1 - (j - i))).append(char(row[i]));
            i = j;
        } else {
            int k = i;
            while (k < n && k - i < 128 && !(k + 1 < n && row[k] == row[k + 1]))
                ++k;
            out.append(char(k - i - 1)).append(reinterpret_cast<const char *>(row + i), k - i);
            i = k;
        }
    }
}
} // namespace detail

// The pages, each turned grey, in one little-endian TIFF.
inline QByteArray pages(const QList<QImage> &images)
{
    using namespace detail;
    QByteArray out("II");
    put16(out, 42);
    qsizetype nextLink = out.size();
    put32(out, 0);
    for (const QImage &image : images) {
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        const qsizetype strip = out.size();
        for (int y = 0; y < grey.height(); ++y)
            packBits(out, grey.constScanLine(y), grey.width());
        const quint32 stripBytes = quint32(out.size() - strip);
        if (out.size() % 2)
            out.append('\0');
        set32(out, nextLink, quint32(out.size()));
        const struct
        {
            quint16 tag, type;
            quint32 value;
        } entries[] = {
            {256, 4, quint32(grey.width())},  // width
            {257, 4, quint32(grey.height())}, // height
            {258, 3, 8},                      // bits per sample
            {259, 3, 32773},                  // PackBits
            {262, 3, 1},                      // black is zero
            {273, 4, quint32(strip)},         // strip offset
            {277, 3, 1},                      // samples per pixel
            {278, 4, quint32(grey.height())}, // rows per strip
            {279, 4, stripBytes},             // strip bytes
        };
        put16(out, quint16(std::size(entries)));
        for (const auto &entry : entries) {
            put16(out, entry.tag);
            put16(out, entry.type);
            put32(out, 1);
            if (entry.type == 3) {
                put16(out, quint16(entry.value));
                put16(out, 0);
            } else {
                put32(out, entry.value);
            }
        }
        nextLink = out.size();
        put32(out, 0);
    }
    return out;
}

} // namespace TiffMaker
