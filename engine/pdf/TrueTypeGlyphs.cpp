#include "TrueTypeGlyphs.h"

#include <QtEndian>

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

} // namespace

TrueTypeGlyphs::TrueTypeGlyphs(QByteArray font) : m_font(std::move(font))
{
    const qsizetype size = m_font.size();
    if (size < 12)
        return;
    const int tableCount = u16(m_font, 4);
    if (12 + qsizetype(tableCount) * 16 > size)
        return;
    qint64 glyf = -1, glyfLength = 0, loca = -1, locaLength = 0, head = -1;
    for (int i = 0; i < tableCount; ++i) {
        const qsizetype entry = 12 + qsizetype(i) * 16;
        const quint32 name = u32(m_font, entry), offset = u32(m_font, entry + 8),
                      length = u32(m_font, entry + 12);
        if (qsizetype(offset) + qsizetype(length) > size)
            return;
        if (name == tag("glyf"))
            glyf = offset, glyfLength = length;
        else if (name == tag("loca"))
            loca = offset, locaLength = length;
        else if (name == tag("head") && length >= 54)
            head = offset;
    }
    if (glyf < 0 || loca < 0 || head < 0)
        return;
    m_glyf = quint32(glyf);
    m_head = quint32(head);
    const bool longOffsets = u16(m_font, head + 50) == 1;
    const qint64 entries = locaLength / (longOffsets ? 4 : 2);
    if (entries < 2)
        return;
    m_glyphStarts.reserve(size_t(entries));
    for (qint64 i = 0; i < entries; ++i) {
        const quint32 start =
            longOffsets ? u32(m_font, loca + i * 4) : quint32(u16(m_font, loca + i * 2)) * 2;
        if (start > glyfLength || (i > 0 && start < m_glyphStarts.back()))
            return;
        m_glyphStarts.push_back(start);
    }
    m_valid = true;
}

int TrueTypeGlyphs::unitsPerEm() const
{
    return m_valid ? u16(m_font, m_head + 18) : 0;
}

QByteArray TrueTypeGlyphs::glyph(int glyph) const
{
    if (!m_valid || glyph < 0 || glyph >= glyphCount())
        return QByteArray();
    const quint32 start = m_glyphStarts[size_t(glyph)], end = m_glyphStarts[size_t(glyph) + 1];
    return QByteArray::fromRawData(m_font.constData() + m_glyf + start, qsizetype(end - start));
}
