#include "InkDifference.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace {

// How much darker than all the letter's print nearby a pixel must be to be ink of its own.
constexpr int kContrast = 110;
// The cells changes and writing are counted in (pixels), and how many pixels of ink of its
// own a cell needs to hold writing.
constexpr int kCell = 6;
constexpr int kCellPixels = 7;
// Grey levels of difference a pixel may have for nothing (the two renderings' edges, JPEG),
// and the sum of the rest over a window of 2 × 2 cells that makes a change. Clean pages
// stay under 400, a changed digit passes 1,700 (bench_reply_check).
constexpr int kTolerance = 60;
constexpr int kWindowScore = 900;

} // namespace

QImage InkDifference::softened(const QImage &grey)
{
    const int w = grey.width(), h = grey.height();
    QImage result = grey.copy();
    std::vector<int> columns(static_cast<size_t>(w));
    for (int y = 1; y < h - 1; ++y) {
        const uchar *a = grey.constScanLine(y - 1), *b = grey.constScanLine(y),
                    *c = grey.constScanLine(y + 1);
        for (int x = 0; x < w; ++x)
            columns[size_t(x)] = a[x] + b[x] + c[x];
        uchar *out = result.scanLine(y);
        for (int x = 1; x < w - 1; ++x)
            out[x] =
                uchar((columns[size_t(x - 1)] + columns[size_t(x)] + columns[size_t(x + 1)]) / 9);
    }
    return result;
}

namespace {

// The sums, cell by cell, of the differences beyond tolerance with the scan shifted by
// (dx, dy); only the rows of cells from 'firstRow' to 'lastRow'.
void cellSums(const QImage &reference, const QImage &scan, int dx, int dy, int columns,
              int firstRow, int lastRow, std::vector<int> &cells)
{
    const int w = reference.width(), h = reference.height();
    for (int y = std::max(1, firstRow * kCell); y < std::min(h - 1, (lastRow + 1) * kCell); ++y) {
        const uchar *r = reference.constScanLine(y);
        const uchar *s = scan.constScanLine(y + dy) + dx;
        int *row = cells.data() + (y / kCell) * columns;
        for (int x = 1; x < std::min(w - 1, columns * kCell); ++x)
            row[x / kCell] += std::max(0, std::abs(int(r[x]) - int(s[x])) - kTolerance);
    }
}

int windowSum(const std::vector<int> &cells, int columns, int r, int c)
{
    const size_t at = size_t(r * columns + c);
    return cells[at] + cells[at + 1] + cells[at + size_t(columns)] +
           cells[at + size_t(columns) + 1];
}

} // namespace

InkDifference::InkDifference(const QImage &reference, const QImage &softReference,
                             const QImage &scan)
    : m_reference(reference), m_scan(scan), m_softReference(softReference),
      m_softScan(softened(scan))
{
}

QImage InkDifference::levelled(const QImage &reference, const QImage &scan)
{
    std::array<int, 256> paper{}, ink{};
    for (int y = 0; y < reference.height(); y += 2) {
        const uchar *r = reference.constScanLine(y), *s = scan.constScanLine(y);
        for (int x = 0; x < reference.width(); x += 2) {
            if (r[x] > 250)
                ++paper[s[x]];
            else if (r[x] < 60)
                ++ink[s[x]];
        }
    }
    auto level = [](const std::array<int, 256> &counts, double share) {
        long total = 0;
        for (int c : counts)
            total += c;
        long seen = 0;
        for (int v = 0; v < 256; ++v) {
            seen += counts[size_t(v)];
            if (seen >= total * share)
                return v;
        }
        return 255;
    };
    // The paper's usual grey, and the print's darkest, since thin strokes scan lighter.
    const int white = level(paper, 0.5), black = level(ink, 0.1);
    if (white - black < 40)
        return scan;
    std::array<uchar, 256> map{};
    for (int v = 0; v < 256; ++v)
        map[size_t(v)] = uchar(std::clamp((v - black) * 255 / (white - black), 0, 255));
    QImage result(scan.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < scan.height(); ++y) {
        const uchar *in = scan.constScanLine(y);
        uchar *out = result.scanLine(y);
        for (int x = 0; x < scan.width(); ++x)
            out[x] = map[in[x]];
    }
    return result;
}

QList<QRect> InkDifference::changed(const QList<QRect> &skip) const
{
    const int columns = m_softReference.width() / kCell, rows = m_softReference.height() / kCell;
    if (columns < 3 || rows < 3)
        return {};
    std::vector<int> cells(size_t(columns * rows));
    cellSums(m_softReference, m_softScan, 0, 0, columns, 0, rows - 1, cells);
    // Windows that differ as they lie are tried at every shift of a pixel either way; what
    // no shift explains is a change, not the last of the alignment.
    std::vector<char> flagged(cells.size());
    std::vector<int> shifted(cells.size());
    for (int r = 0; r + 1 < rows; ++r) {
        bool any = false;
        for (int c = 0; c + 1 < columns && !any; ++c)
            any = windowSum(cells, columns, r, c) >= kWindowScore;
        if (!any)
            continue;
        std::vector<int> best(size_t(columns), std::numeric_limits<int>::max());
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                std::fill(shifted.begin() + r * columns, shifted.begin() + (r + 2) * columns, 0);
                cellSums(m_softReference, m_softScan, dx, dy, columns, r, r + 1, shifted);
                for (int c = 0; c + 1 < columns; ++c)
                    best[size_t(c)] = std::min(best[size_t(c)], windowSum(shifted, columns, r, c));
            }
        for (int c = 0; c + 1 < columns; ++c) {
            const QRect window(c * kCell, r * kCell, 2 * kCell, 2 * kCell);
            // Windows in reply areas do not count: the respondent writes there.
            flagged[size_t(r * columns + c)] =
                best[size_t(c)] >= kWindowScore &&
                std::none_of(skip.begin(), skip.end(),
                             [&](const QRect &area) { return area.intersects(window); });
        }
    }
    // A change is a clump of differing windows; each clump becomes its bounding rectangle.
    std::vector<char> seen(flagged.size());
    QList<QRect> regions;
    for (int start = 0; start < int(flagged.size()); ++start) {
        if (seen[size_t(start)] || !flagged[size_t(start)])
            continue;
        QList<int> stack{start};
        seen[size_t(start)] = 1;
        int left = columns, right = -1, top = rows, bottom = -1;
        while (!stack.isEmpty()) {
            const int cell = stack.takeLast();
            const int r = cell / columns, c = cell % columns;
            left = std::min(left, c);
            right = std::max(right, c + 1);
            top = std::min(top, r);
            bottom = std::max(bottom, r + 1);
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const int nr = r + dr, nc = c + dc;
                    if (nr < 0 || nc < 0 || nr >= rows || nc >= columns)
                        continue;
                    const int next = nr * columns + nc;
                    if (!seen[size_t(next)] && flagged[size_t(next)]) {
                        seen[size_t(next)] = 1;
                        stack.append(next);
                    }
                }
        }
        regions.append(QRect(left * kCell, top * kCell, (right - left + 1) * kCell,
                             (bottom - top + 1) * kCell));
    }
    return regions;
}

InkDifference::Ink InkDifference::extraInk(const QRect &area) const
{
    Ink ink;
    const QRect inside = area & m_reference.rect().adjusted(1, 1, -1, -1);
    if (inside.isEmpty())
        return ink;
    const int columns = (inside.width() + kCell - 1) / kCell;
    const int rows = (inside.height() + kCell - 1) / kCell;
    std::vector<int> cells(size_t(columns * rows));
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const uchar *above = m_reference.constScanLine(y - 1), *own = m_reference.constScanLine(y),
                    *below = m_reference.constScanLine(y + 1);
        const uchar *s = m_scan.constScanLine(y);
        int *row = cells.data() + ((y - inside.top()) / kCell) * columns;
        for (int x = inside.left(); x <= inside.right(); ++x) {
            // The letter's darkest print within a pixel.
            int darkest = 255;
            for (int d = -1; d <= 1; ++d)
                darkest =
                    std::min({darkest, int(above[x + d]), int(own[x + d]), int(below[x + d])});
            if (darkest - s[x] > kContrast)
                ++row[(x - inside.left()) / kCell];
        }
    }
    for (int count : cells) {
        ink.pixels += count;
        if (count >= kCellPixels)
            ink.writing += count;
    }
    return ink;
}
