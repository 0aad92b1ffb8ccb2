#include "TrueTypePruner.h"

#include <QtEndian>

#include <algorithm>

namespace {

constexpr quint32 tag(const char (&name)[5])
{
    return quint32(uchar(name[0])) << 24 | quint32(uchar(name[1])) << 16 |
           quint32(uchar(name[2])) << 8 | quint32(uchar(name[3]));
}

quint16 u16(const QByteArray &data, qsizetype at)
{
    return qFromBigEndian<quint16>(data.constData() + at);
}
quint32 u32(const QByteArray &data, qsizetype at)
{
    return qFromBigEndian<quint32>(data.constData() + at);
}
void put16(QByteArray &data, qsizetype at, quint16 value)
{
    qToBigEndian(value, data.data() + at);
}
void put32(QByteArray &data, qsizetype at, quint32 value)
{
    qToBigEndian(value, data.data() + at);
}

// The sum of a table's big-endian words, as the table directory records it.
quint32 checksum(const char *data, qsizetype length)
{
    quint32 sum = 0;
    qsizetype i = 0;
    for (; i + 4 <= length; i += 4)
        sum += qFromBigEndian<quint32>(data + i);
    if (i < length) {
        char last[4] = {};
        std::copy(data + i, data + length, last);
        sum += qFromBigEndian<quint32>(last);
    }
    return sum;
}

// Composite glyph flags.
constexpr quint16 kArgsAreWords = 0x0001, kHaveScale = 0x0008, kMoreComponents = 0x0020,
                  kHaveXYScale = 0x0040, kHaveTwoByTwo = 0x0080;

} // namespace

TrueTypePruner::TrueTypePruner(QByteArray font) : m_font(std::move(font))
{
    const qsizetype size = m_font.size();
    if (size < 12)
        return;
    m_version = u32(m_font, 0);
    const int tableCount = u16(m_font, 4);
    if (12 + qsizetype(tableCount) * 16 > size)
        return;
    for (int i = 0; i < tableCount; ++i) {
        const qsizetype entry = 12 + qsizetype(i) * 16;
        const Table table{u32(m_font, entry), u32(m_font, entry + 8), u32(m_font, entry + 12)};
        if (qsizetype(table.offset) + qsizetype(table.length) > size)
            return;
        if (table.tag == tag("glyf"))
            m_glyf = i;
        else if (table.tag == tag("loca"))
            m_loca = i;
        else if (table.tag == tag("head"))
            m_head = i;
        m_tables.push_back(table);
    }
    if (m_glyf < 0 || m_loca < 0 || m_head < 0 || m_tables[size_t(m_head)].length < 54)
        return;
    m_longOffsets = u16(m_font, m_tables[size_t(m_head)].offset + 50) == 1;
    const Table &loca = m_tables[size_t(m_loca)];
    const quint32 entries = loca.length / (m_longOffsets ? 4 : 2);
    if (entries < 2)
        return;
    m_glyphStarts.reserve(entries);
    const quint32 glyfLength = m_tables[size_t(m_glyf)].length;
    for (quint32 i = 0; i < entries; ++i) {
        const quint32 start = m_longOffsets
                                  ? u32(m_font, loca.offset + qsizetype(i) * 4)
                                  : quint32(u16(m_font, loca.offset + qsizetype(i) * 2)) * 2;
        if (start > glyfLength || (i > 0 && start < m_glyphStarts.back()))
            return;
        m_glyphStarts.push_back(start);
    }
    m_valid = true;
}

int TrueTypePruner::unitsPerEm() const
{
    return m_valid ? u16(m_font, m_tables[size_t(m_head)].offset + 18) : 0;
}

QByteArray TrueTypePruner::glyph(int glyph) const
{
    if (!m_valid || glyph < 0 || glyph >= glyphCount())
        return QByteArray();
    return glyphData(glyph);
}

QByteArray TrueTypePruner::glyphData(int glyph) const
{
    const quint32 start = m_glyphStarts[size_t(glyph)], end = m_glyphStarts[size_t(glyph) + 1];
    return QByteArray::fromRawData(m_font.constData() + m_tables[size_t(m_glyf)].offset + start,
                                   qsizetype(end - start));
}

QList<quint16> TrueTypePruner::components(int glyph) const
{
    QList<quint16> parts;
    const QByteArray data = glyphData(glyph);
    if (data.size() < 10 || qint16(u16(data, 0)) >= 0)
        return parts;
    qsizetype at = 10;
    for (;;) {
        if (at + 4 > data.size())
            break;
        const quint16 flags = u16(data, at);
        parts.append(u16(data, at + 2));
        at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
        if (flags & kHaveScale)
            at += 2;
        else if (flags & kHaveXYScale)
            at += 4;
        else if (flags & kHaveTwoByTwo)
            at += 8;
        if (!(flags & kMoreComponents))
            break;
    }
    return parts;
}

QByteArray TrueTypePruner::keepGlyphs(const QList<quint16> &glyphs) const
{
    if (!m_valid)
        return m_font;
    const int count = glyphCount();
    std::vector<bool> keep(size_t(count), false);
    QList<quint16> pending = glyphs;
    pending.append(0);
    while (!pending.isEmpty()) {
        const quint16 glyph = pending.takeLast();
        if (glyph >= count || keep[glyph])
            continue;
        keep[glyph] = true;
        pending.append(components(glyph));
    }

    // The new glyph table, each kept outline on a four-byte boundary.
    QByteArray glyf;
    std::vector<quint32> starts;
    starts.reserve(size_t(count) + 1);
    for (int glyph = 0; glyph < count; ++glyph) {
        starts.push_back(quint32(glyf.size()));
        if (keep[size_t(glyph)]) {
            glyf += glyphData(glyph);
            glyf.append((4 - glyf.size() % 4) % 4, '\0');
        }
    }
    starts.push_back(quint32(glyf.size()));
    QByteArray loca(qsizetype(starts.size()) * (m_longOffsets ? 4 : 2), Qt::Uninitialized);
    for (size_t i = 0; i < starts.size(); ++i) {
        if (m_longOffsets)
            put32(loca, qsizetype(i) * 4, starts[i]);
        else
            put16(loca, qsizetype(i) * 2, quint16(starts[i] / 2));
    }

    // The same tables in the same order, glyf and loca replaced, less the names: a PDF
    // viewer never reads them, and in a Chinese font they are a fifth of the file.
    std::vector<size_t> kept;
    for (size_t i = 0; i < m_tables.size(); ++i)
        if (m_tables[i].tag != tag("name"))
            kept.push_back(i);
    const qsizetype directory = 12 + qsizetype(kept.size()) * 16;
    QByteArray out(directory, '\0');
    put32(out, 0, m_version);
    put16(out, 4, quint16(kept.size()));
    // The binary search fields follow from the table count.
    quint16 power = 1, log2 = 0;
    while (power * 2 <= kept.size())
        power *= 2, ++log2;
    put16(out, 6, quint16(power * 16));
    put16(out, 8, log2);
    put16(out, 10, quint16(kept.size() * 16 - power * 16));
    qsizetype headAt = -1;
    for (size_t n = 0; n < kept.size(); ++n) {
        const size_t i = kept[n];
        const Table &table = m_tables[i];
        const QByteArray data =
            qsizetype(i) == m_glyf ? glyf
            : qsizetype(i) == m_loca
                ? loca
                : QByteArray::fromRawData(m_font.constData() + table.offset, table.length);
        const qsizetype at = out.size();
        if (qsizetype(i) == m_head)
            headAt = at;
        out += data;
        out.append((4 - out.size() % 4) % 4, '\0');
        const qsizetype entry = 12 + qsizetype(n) * 16;
        put32(out, entry, table.tag);
        put32(out, entry + 8, quint32(at));
        put32(out, entry + 12, quint32(data.size()));
    }
    // The head table's checksum is taken with its adjustment at zero; the adjustment then
    // makes the whole file sum to the fixed value.
    put32(out, headAt + 8, 0);
    for (size_t n = 0; n < kept.size(); ++n) {
        const qsizetype entry = 12 + qsizetype(n) * 16;
        put32(out, entry + 4,
              checksum(out.constData() + u32(out, entry + 8), u32(out, entry + 12)));
    }
    put32(out, headAt + 8, 0xB1B0AFBA - checksum(out.constData(), out.size()));
    return out;
}
