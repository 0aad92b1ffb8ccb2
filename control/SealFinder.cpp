#include "SealFinder.h"

#include <algorithm>
#include <cmath>

namespace {

// A seal is at least this wide (company seals are 38 to 42 mm; a personal seal is smaller
// and sealed nothing).
constexpr double kSmallestMm = 12;

} // namespace

namespace SealFinder {

bool found(const QImage &page, const QRect &area, double pixelsPerMm)
{
    const QRect inside = area & page.rect();
    int count = 0, left = inside.right(), right = inside.left(), top = inside.bottom(),
        bottom = inside.top();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(page.constScanLine(y));
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (red(line[x])) {
                ++count;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    const double smallest = kSmallestMm * pixelsPerMm;
    if (count < smallest * smallest * 0.15)
        return false;
    // The bounding box of stray red pixels is wide and empty; a seal's is a square its ring
    // fills near its edge. Judge the box of the bulk of the red instead of its extremes.
    const double width = right - left + 1, height = bottom - top + 1;
    if (width < smallest || height < smallest || width > 2 * height || height > 2 * width)
        return false;
    const QPointF centre((left + right) / 2.0, (top + bottom) / 2.0);
    const double rx = width / 2, ry = height / 2;
    int inEllipse = 0, nearRing = 0;
    for (int y = top; y <= bottom; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(page.constScanLine(y));
        for (int x = left; x <= right; ++x)
            if (red(line[x])) {
                const double u = (x - centre.x()) / rx, v = (y - centre.y()) / ry;
                const double d = std::sqrt(u * u + v * v);
                inEllipse += d <= 1.08;
                nearRing += d >= 0.8 && d <= 1.08;
            }
    }
    return inEllipse >= 0.9 * count && nearRing >= 0.25 * count;
}

} // namespace SealFinder
