#include "InkDifference.h"

#include <algorithm>
#include <array>

namespace {

// How much darker (or lighter) than everything the other picture has nearby a pixel must be
// to count, in grey levels.
constexpr int kContrast = 110;
// Print the scan lacks must be missing outright: a thin stroke scanned faint is no change.
constexpr int kMissingContrast = 170;
// The cells changes are counted in, and how many differing pixels a cell needs.
constexpr int kCell = 6;
constexpr int kCellPixels = 7;

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
    : m_extra(reference.size(), QImage::Format_Grayscale8),
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
    const int columns = (m_extra.width() + kCell - 1) / kCell;
    const int rows = (m_extra.height() + kCell - 1) / kCell;
    std::vector<int> counts(size_t(columns * rows));
    for (int y = 0; y < m_extra.height(); ++y) {
        const uchar *extra = m_extra.constScanLine(y), *missing = m_missing.constScanLine(y);
        int *row = counts.data() + (y / kCell) * columns;
        for (int x = 0; x < m_extra.width(); ++x)
            row[x / kCell] += extra[x] + missing[x];
    }
    // Cells in reply areas do not count: the respondent writes there.
    for (const QRect &area : skip)
        for (int r = std::max(0, area.top() / kCell);
             r <= std::min(rows - 1, area.bottom() / kCell); ++r)
            for (int c = std::max(0, area.left() / kCell);
                 c <= std::min(columns - 1, area.right() / kCell); ++c)
                counts[size_t(r * columns + c)] = 0;
    // A change is a clump of differing cells; each clump becomes its bounding rectangle.
    std::vector<char> seen(counts.size());
    QList<QRect> regions;
    for (int start = 0; start < int(counts.size()); ++start) {
        if (seen[size_t(start)] || counts[size_t(start)] < kCellPixels)
            continue;
        QList<int> stack{start};
        seen[size_t(start)] = 1;
        int left = columns, right = -1, top = rows, bottom = -1, total = 0;
        while (!stack.isEmpty()) {
            const int cell = stack.takeLast();
            const int r = cell / columns, c = cell % columns;
            left = std::min(left, c);
            right = std::max(right, c);
            top = std::min(top, r);
            bottom = std::max(bottom, r);
            total += counts[size_t(cell)];
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const int nr = r + dr, nc = c + dc;
                    if (nr < 0 || nc < 0 || nr >= rows || nc >= columns)
                        continue;
                    const int next = nr * columns + nc;
                    if (!seen[size_t(next)] && counts[size_t(next)] >= kCellPixels) {
                        seen[size_t(next)] = 1;
                        stack.append(next);
                    }
                }
        }
        if (total >= 2 * kCellPixels)
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
