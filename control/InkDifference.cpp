#include "InkDifference.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

namespace {

// How much darker (or lighter) than everything the other picture has nearby a pixel must be
// to count, in grey levels.
constexpr int kContrast = 110;
// Print the scan lacks must be missing outright: a thin stroke scanned faint is no change.
constexpr int kMissingContrast = 170;
// The cells changes are counted in, and how many differing pixels a cell needs.
constexpr int kCell = 6;
constexpr int kCellPixels = 7;
// Grey levels of difference a pixel may have for nothing (the two renderings' edges, JPEG),
// and the sum of the rest over a window that makes a change.
constexpr int kTolerance = 60;
constexpr int kWindowScore = 900;

// The largest (or smallest) value within 'radius' of each pixel.
QImage spread(const QImage &grey, int radius, bool largest)
{
    const int w = grey.width(), h = grey.height();
    QImage across(grey.size(), QImage::Format_Grayscale8), result(grey.size(), grey.format());
    auto pick = [largest](uchar a, uchar b) { return largest ? std::max(a, b) : std::min(a, b); };
    for (int y = 0; y < h; ++y) {
        const uchar *in = grey.constScanLine(y);
        uchar *out = across.scanLine(y);
        for (int x = 0; x < w; ++x) {
            uchar v = in[x];
            for (int d = std::max(0, x - radius); d <= std::min(w - 1, x + radius); ++d)
                v = pick(v, in[d]);
            out[x] = v;
        }
    }
    for (int y = 0; y < h; ++y) {
        uchar *out = result.scanLine(y);
        const uchar *own = across.constScanLine(y);
        std::copy(own, own + w, out);
        for (int d = std::max(0, y - radius); d <= std::min(h - 1, y + radius); ++d) {
            const uchar *in = across.constScanLine(d);
            for (int x = 0; x < w; ++x)
                out[x] = pick(out[x], in[x]);
        }
    }
    return result;
}

// A 3 × 3 box blur: the two renderings' edges differ less than their strokes do.
QImage softened(const QImage &grey)
{
    const int w = grey.width(), h = grey.height();
    QImage result = grey.copy();
    for (int y = 1; y < h - 1; ++y) {
        const uchar *a = grey.constScanLine(y - 1), *b = grey.constScanLine(y),
                    *c = grey.constScanLine(y + 1);
        uchar *out = result.scanLine(y);
        for (int x = 1; x < w - 1; ++x)
            out[x] = uchar((a[x - 1] + a[x] + a[x + 1] + b[x - 1] + b[x] + b[x + 1] + c[x - 1] +
                            c[x] + c[x + 1]) /
                           9);
    }
    return result;
}

int countIn(const QImage &mask, const QRect &area)
{
    const QRect inside = area & mask.rect();
    int count = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const uchar *line = mask.constScanLine(y);
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += line[x];
    }
    return count;
}

} // namespace

InkDifference::InkDifference(const QImage &reference, const QImage &scan)
    : m_reference(softened(reference)), m_scan(softened(scan)), m_extra(reference.size(), QImage::Format_Grayscale8),
      m_missing(reference.size(), QImage::Format_Grayscale8)
{
    const QImage darkestReference = spread(reference, 1, false);
    const QImage darkestScan = spread(scan, 1, false);
    for (int y = 0; y < reference.height(); ++y) {
        const uchar *r = reference.constScanLine(y), *rMin = darkestReference.constScanLine(y);
        const uchar *s = scan.constScanLine(y), *sMin = darkestScan.constScanLine(y);
        uchar *extra = m_extra.scanLine(y), *missing = m_missing.scanLine(y);
        for (int x = 0; x < reference.width(); ++x) {
            extra[x] = rMin[x] - s[x] > kContrast;
            missing[x] = sMin[x] - r[x] > kMissingContrast;
        }
    }
    if (qEnvironmentVariableIsSet("DUMP")) {
        QImage both(reference.size(), QImage::Format_RGB32);
        for (int y = 0; y < reference.height(); ++y)
            for (int x = 0; x < reference.width(); ++x)
            { int g = reference.constScanLine(y)[x] / 2 + 127; bool e = m_extra.constScanLine(y)[x], m = m_missing.constScanLine(y)[x];
                both.setPixel(x, y, e ? qRgb(255,0,0) : m ? qRgb(0,200,0) : qRgb(g,g,g)); }
        both.save("/tmp/h33a/masks.png");
    }
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
    const int white = level(paper, 0.5), black = level(ink, 0.1);
    if (white - black < 40)
        return scan;
    QImage result(scan.size(), QImage::Format_Grayscale8);
    std::array<uchar, 256> map{};
    for (int v = 0; v < 256; ++v)
        map[size_t(v)] = uchar(std::clamp((v - black) * 255 / (white - black), 0, 255));
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
    const int w = m_reference.width(), h = m_reference.height();
    const int columns = w / kCell, rows = h / kCell;
    if (columns < 3 || rows < 3)
        return {};
    // Each window of 2 × 2 cells is compared at the shift (a pixel either way) that suits it
    // best: what is left is a change, not the last of the alignment.
    std::vector<int> best(size_t(columns * rows), std::numeric_limits<int>::max());
    std::vector<int> cells(size_t(columns * rows));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            std::fill(cells.begin(), cells.end(), 0);
            for (int y = 1; y < rows * kCell - 1 && y < h - 1; ++y) {
                const uchar *r = m_reference.constScanLine(y);
                const uchar *s = m_scan.constScanLine(y + dy) + dx;
                int *row = cells.data() + (y / kCell) * columns;
                for (int x = 1; x < columns * kCell && x < w - 1; ++x)
                    row[x / kCell] += std::max(0, std::abs(int(r[x]) - int(s[x])) - kTolerance);
            }
            for (int r = 0; r + 1 < rows; ++r)
                for (int c = 0; c + 1 < columns; ++c) {
                    const int sum = cells[size_t(r * columns + c)] +
                                    cells[size_t(r * columns + c + 1)] +
                                    cells[size_t((r + 1) * columns + c)] +
                                    cells[size_t((r + 1) * columns + c + 1)];
                    int &slot = best[size_t(r * columns + c)];
                    slot = std::min(slot, sum);
                }
        }
    std::vector<char> flagged(best.size());
    int largest = 0;
    QRect where;
    for (int r = 0; r + 1 < rows; ++r)
        for (int c = 0; c + 1 < columns; ++c) {
            const QRect window(c * kCell, r * kCell, 2 * kCell, 2 * kCell);
            // Windows in reply areas do not count: the respondent writes there.
            if (std::any_of(skip.begin(), skip.end(),
                            [&](const QRect &area) { return area.intersects(window); }))
                continue;
            const int score = best[size_t(r * columns + c)];
            if (score > largest) { largest = score; where = window; }
            flagged[size_t(r * columns + c)] = score >= kWindowScore;
        }
    if (qEnvironmentVariableIsSet("DUMP"))
        std::printf("largest %d at %d %d\n", largest, where.x(), where.y());
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

int InkDifference::extraInk(const QRect &area) const
{
    return countIn(m_extra, area);
}

int InkDifference::writing(const QRect &area) const
{
    const QRect inside = area & m_extra.rect();
    int total = 0;
    for (int y = inside.top(); y <= inside.bottom(); y += kCell)
        for (int x = inside.left(); x <= inside.right(); x += kCell) {
            const int count = countIn(m_extra, QRect(x, y, kCell, kCell) & inside);
            if (count >= kCellPixels)
                total += count;
        }
    return total;
}
