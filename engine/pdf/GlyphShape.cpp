#include "GlyphShape.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {
qint16 s16(QByteArrayView data, qsizetype at)
{
    return qFromBigEndian<qint16>(data.data() + at);
}
quint16 u16(QByteArrayView data, qsizetype at)
{
    return qFromBigEndian<quint16>(data.data() + at);
}
} // namespace

namespace {

// The smallest box holding the curves of a glyph's contours, grown point by point.
struct CurveBox
{
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    bool empty = true;

    void add(double x, double y)
    {
        if (empty) {
            xMin = xMax = x;
            yMin = yMax = y;
            empty = false;
            return;
        }
        xMin = std::min(xMin, x);
        xMax = std::max(xMax, x);
        yMin = std::min(yMin, y);
        yMax = std::max(yMax, y);
    }
    // A quadratic curve from (x0, y0) by (x1, y1) to (x2, y2): its ends and, where the curve
    // turns on an axis, the point of its turn.
    void addCurve(double x0, double y0, double x1, double y1, double x2, double y2)
    {
        add(x2, y2);
        auto turn = [](double a, double b, double c) -> std::optional<double> {
            const double denominator = a - 2 * b + c;
            if (denominator == 0)
                return std::nullopt;
            const double t = (a - b) / denominator;
            if (t <= 0 || t >= 1)
                return std::nullopt;
            return t;
        };
        auto at = [](double a, double b, double c, double t) {
            return (1 - t) * (1 - t) * a + 2 * (1 - t) * t * b + t * t * c;
        };
        if (const auto t = turn(x0, x1, x2))
            add(at(x0, x1, x2, *t), at(y0, y1, y2, *t));
        if (const auto t = turn(y0, y1, y2))
            add(at(x0, x1, x2, *t), at(y0, y1, y2, *t));
    }
};

struct Point
{
    double x, y;
    bool onCurve;
};

// The points of a simple glyph's contours; nothing when the data ends early.
std::optional<std::vector<std::vector<Point>>> contoursOf(QByteArrayView glyph, int contours)
{
    qsizetype at = 10;
    auto need = [&](qsizetype bytes) { return at + bytes <= glyph.size(); };
    if (!need(2 * qsizetype(contours) + 2))
        return std::nullopt;
    std::vector<int> ends;
    for (int i = 0; i < contours; ++i, at += 2) {
        ends.push_back(u16(glyph, at));
        if (i > 0 && ends[size_t(i)] <= ends[size_t(i) - 1])
            return std::nullopt;
    }
    const int points = ends.back() + 1;
    at += 2 + u16(glyph, at); // the instructions
    std::vector<quint8> flags;
    while (int(flags.size()) < points) {
        if (!need(1))
            return std::nullopt;
        const quint8 flag = quint8(glyph[at++]);
        int repeat = 1;
        if (flag & 8) {
            if (!need(1))
                return std::nullopt;
            repeat += quint8(glyph[at++]);
        }
        flags.insert(flags.end(), size_t(repeat), flag);
    }
    flags.resize(size_t(points));
    // Each coordinate is a step from the one before: a byte with its sign in the flags, the
    // same again, or two bytes.
    auto coordinates = [&](quint8 shortBit, quint8 sameBit) -> std::optional<std::vector<int>> {
        std::vector<int> values;
        int value = 0;
        for (quint8 flag : flags) {
            if (flag & shortBit) {
                if (!need(1))
                    return std::nullopt;
                const int step = quint8(glyph[at++]);
                value += (flag & sameBit) ? step : -step;
            } else if (!(flag & sameBit)) {
                if (!need(2))
                    return std::nullopt;
                value += s16(glyph, at);
                at += 2;
            }
            values.push_back(value);
        }
        return values;
    };
    const auto xs = coordinates(2, 16);
    if (!xs)
        return std::nullopt;
    const auto ys = coordinates(4, 32);
    if (!ys)
        return std::nullopt;
    std::vector<std::vector<Point>> result;
    int first = 0;
    for (int end : ends) {
        std::vector<Point> contour;
        for (int i = first; i <= end; ++i)
            contour.push_back(
                {double((*xs)[size_t(i)]), double((*ys)[size_t(i)]), bool(flags[size_t(i)] & 1)});
        result.push_back(std::move(contour));
        first = end + 1;
    }
    return result;
}

// The box of a contour's curves: between two points off the curve lies one on it, halfway.
void addContour(const std::vector<Point> &contour, CurveBox &box)
{
    if (contour.empty())
        return;
    const size_t count = contour.size();
    auto midpoint = [](const Point &a, const Point &b) {
        return Point{(a.x + b.x) / 2, (a.y + b.y) / 2, true};
    };
    // Starts on the curve: at its first point on it, or halfway between the last point and
    // the first when none is; goes round once, back to where it started.
    size_t first = 0;
    while (first < count && !contour[first].onCurve)
        ++first;
    const Point start = first < count ? contour[first] : midpoint(contour[count - 1], contour[0]);
    const size_t next = first < count ? first + 1 : 0;
    box.add(start.x, start.y);
    Point from = start, control{0, 0, false};
    bool curving = false; // whether 'control' pulls the curve from 'from'
    for (size_t step = 0; step < count; ++step) {
        const Point &point = contour[(next + step) % count];
        if (point.onCurve) {
            if (curving)
                box.addCurve(from.x, from.y, control.x, control.y, point.x, point.y);
            else
                box.add(point.x, point.y);
            from = point;
            curving = false;
        } else if (curving) {
            const Point middle = midpoint(control, point);
            box.addCurve(from.x, from.y, control.x, control.y, middle.x, middle.y);
            from = middle;
            control = point;
        } else {
            control = point;
            curving = true;
        }
    }
    if (curving)
        box.addCurve(from.x, from.y, control.x, control.y, start.x, start.y);
}

} // namespace

std::optional<GlyphShape> GlyphShape::of(QByteArrayView glyph, int unitsPerEm)
{
    if (glyph.size() < 10 || unitsPerEm <= 0)
        return std::nullopt;
    GlyphShape header{s16(glyph, 0), s16(glyph, 2), s16(glyph, 4),
                      s16(glyph, 6), s16(glyph, 8), unitsPerEm};
    if (header.contours <= 0) // made of other glyphs, placed as they say
        return header;
    const auto contours = contoursOf(glyph, header.contours);
    if (!contours) // cut short: its header is all there is to go by
        return header;
    CurveBox box;
    for (const std::vector<Point> &contour : *contours)
        addContour(contour, box);
    return GlyphShape{header.contours,
                      int(std::lround(box.xMin)),
                      int(std::lround(box.yMin)),
                      int(std::lround(box.xMax)),
                      int(std::lround(box.yMax)),
                      unitsPerEm};
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
