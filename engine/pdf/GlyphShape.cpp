#include "GlyphShape.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {
qint16 s16(QByteArrayView data, qsizetype at)
{
    return qFromBigEndian<qint16>(data.data() + at);
}
quint16 u16(QByteArrayView data, qsizetype at)
{
    return qFromBigEndian<quint16>(data.data() + at);
}
quint32 u32(QByteArrayView data, qsizetype at)
{
    return qFromBigEndian<quint32>(data.data() + at);
}
} // namespace

std::optional<GlyphShape> GlyphShape::of(QByteArrayView glyph, int unitsPerEm)
{
    if (glyph.size() < 10 || unitsPerEm <= 0)
        return std::nullopt;
    return GlyphShape{s16(glyph, 0), s16(glyph, 2), s16(glyph, 4),
                      s16(glyph, 6), s16(glyph, 8), unitsPerEm};
}

std::optional<GlyphShape> GlyphShape::inTables(const QByteArray &head, const QByteArray &loca,
                                               const QByteArray &glyf, quint32 glyph)
{
    if (head.size() < 54)
        return std::nullopt;
    const bool longOffsets = s16(head, 50) == 1;
    const qsizetype entry = qsizetype(glyph) * (longOffsets ? 4 : 2);
    if (entry + (longOffsets ? 8 : 4) > loca.size())
        return std::nullopt;
    const quint32 start = longOffsets ? u32(loca, entry) : quint32(u16(loca, entry)) * 2;
    const quint32 end = longOffsets ? u32(loca, entry + 4) : quint32(u16(loca, entry + 2)) * 2;
    if (end < start || end > quint32(glyf.size()))
        return std::nullopt;
    return of(QByteArrayView(glyf).sliced(start, end - start), u16(head, 18));
}

bool GlyphShape::resembles(const GlyphShape &other) const
{
    if (contours != other.contours)
        return false;
    // Compared in thousandths of an em, within two rounded units of the coarser grid.
    const double tolerance = 2000.0 / std::min(unitsPerEm, other.unitsPerEm) + 0.5;
    auto near = [&](int a, int b) {
        return std::abs(a * 1000.0 / unitsPerEm - b * 1000.0 / other.unitsPerEm) <= tolerance;
    };
    return near(xMin, other.xMin) && near(yMin, other.yMin) && near(xMax, other.xMax) &&
           near(yMax, other.yMax);
}
