#include "PageAlignment.h"

#include "PageWarp.h"

#include <algorithm>
#include <cmath>

namespace {

struct Patch
{
    QPoint centre; // in the level's pixels
};

struct Level
{
    int shrink; // of the reference's pixels
    int half;   // patch half size, level pixels
    int search; // shift searched either way, level pixels
    int step;   // between patch centres, level pixels
    int most;   // patches matched at most, spread over the page
};

// Patches with print varied enough in both directions to pin a shift down.
QList<Patch> patchesOf(const QImage &reference, const Level &level, const QList<QRect> &skip)
{
    QList<Patch> patches;
    const int h = level.half;
    for (int cy = h + level.search; cy < reference.height() - h - level.search; cy += level.step)
        for (int cx = h + level.search; cx < reference.width() - h - level.search;
             cx += level.step) {
            const QRect area(cx - h, cy - h, 2 * h, 2 * h);
            const QRect full(area.topLeft() * level.shrink, area.size() * level.shrink);
            if (std::any_of(skip.begin(), skip.end(),
                            [&](const QRect &r) { return r.intersects(full); }))
                continue;
            long ink = 0, gx = 0, gy = 0;
            for (int y = area.top(); y < area.bottom(); ++y) {
                const uchar *line = reference.constScanLine(y);
                const uchar *next = reference.constScanLine(y + 1);
                for (int x = area.left(); x < area.right(); ++x) {
                    ink += line[x] < 160;
                    gx += std::abs(int(line[x + 1]) - line[x]);
                    gy += std::abs(int(next[x]) - line[x]);
                }
            }
            const long pixels = long(area.width()) * area.height();
            if (ink * 25 < pixels || ink * 2 > pixels)
                continue;
            if (gx < 3 * gy / 10 || gy < 3 * gx / 10)
                continue;
            patches.append({QPoint(cx, cy)});
        }
    // Enough patches to fit a map through, taken evenly from all those with print.
    if (patches.size() > level.most) {
        QList<Patch> some;
        for (int i = 0; i < level.most; ++i)
            some.append(patches[qsizetype(double(i) * patches.size() / level.most)]);
        patches = some;
    }
    return patches;
}

// The shift (sub-pixel) of the patch about 'centre' in 'scan' that best matches the
// reference, by normalised correlation; false when no clear best.
bool bestShift(const QImage &reference, const QImage &window, QPoint centre, const Level &level,
               QPointF &shift)
{
    // 'window' is the scan about the patch, drawn in the reference's frame.
    const QPoint inWindow(level.half + level.search, level.half + level.search);
    const int h = level.half, s = level.search, n = 2 * h;
    const double count = double(n) * n;
    double sumR = 0, sumRR = 0;
    for (int y = -h; y < h; ++y) {
        const uchar *r = reference.constScanLine(centre.y() + y) + centre.x() - h;
        for (int x = 0; x < n; ++x) {
            sumR += r[x];
            sumRR += double(r[x]) * r[x];
        }
    }
    const double varR = sumRR - sumR * sumR / count;
    if (varR <= 0)
        return false;
    const int side = 2 * s + 1;
    std::vector<double> scores(size_t(side * side), -1);
    double best = -2;
    int bestX = 0, bestY = 0;
    for (int dy = -s; dy <= s; ++dy)
        for (int dx = -s; dx <= s; ++dx) {
            double sumS = 0, sumSS = 0, sumRS = 0;
            for (int y = -h; y < h; ++y) {
                const uchar *r = reference.constScanLine(centre.y() + y) + centre.x() - h;
                const uchar *q =
                    window.constScanLine(inWindow.y() + y + dy) + inWindow.x() - h + dx;
                int ls = 0, lss = 0, lrs = 0;
                for (int x = 0; x < n; ++x) {
                    ls += q[x];
                    lss += q[x] * q[x];
                    lrs += r[x] * q[x];
                }
                sumS += ls;
                sumSS += lss;
                sumRS += lrs;
            }
            const double varS = sumSS - sumS * sumS / count;
            const double score =
                varS <= 0 ? 0 : (sumRS - sumR * sumS / count) / std::sqrt(varR * varS);
            scores[size_t((dy + s) * side + dx + s)] = score;
            if (score > best) {
                best = score;
                bestX = dx;
                bestY = dy;
            }
        }
    if (best < 0.5 || std::abs(bestX) == s || std::abs(bestY) == s)
        return false;
    auto at = [&](int dx, int dy) { return scores[size_t((dy + s) * side + dx + s)]; };
    auto vertex = [](double a, double b, double c) {
        const double d = a - 2 * b + c;
        return d < 0 ? std::clamp(0.5 * (a - c) / d, -0.5, 0.5) : 0.0;
    };
    shift = QPointF(bestX + vertex(at(bestX - 1, bestY), best, at(bestX + 1, bestY)),
                    bestY + vertex(at(bestX, bestY - 1), best, at(bestX, bestY + 1)));
    return true;
}

} // namespace

namespace PageAlignment {

Fit refine(const QImage &reference, const QImage &scan, const QTransform &referenceToScan,
           const QList<QRect> &skip)
{
    Fit fit;
    fit.referenceToScan = referenceToScan;
    const Level levels[] = {{4, 8, 8, 10, 120}, {2, 10, 3, 12, 80}, {1, 12, 2, 18, 80}};
    for (const Level &level : levels) {
        const QImage ref = PageWarp::shrunk(reference, level.shrink);
        const QImage scanned = PageWarp::shrunk(scan, level.shrink);
        // The level's reference pixels to the level's scan pixels.
        const QTransform map = QTransform::fromScale(level.shrink, level.shrink) *
                               fit.referenceToScan *
                               QTransform::fromScale(1.0 / level.shrink, 1.0 / level.shrink);
        const QList<Patch> patches = patchesOf(ref, level, skip);
        const int reach = level.half + level.search;
        QList<QPointF> from, to;
        for (const Patch &patch : patches) {
            // Only the scan about the patch is drawn into the reference's frame.
            const QImage window = PageWarp::warpedGrey(
                scanned,
                QTransform::fromTranslate(patch.centre.x() - reach, patch.centre.y() - reach) * map,
                QSize(2 * reach, 2 * reach), 255);
            QPointF shift;
            if (!bestShift(ref, window, patch.centre, level, shift))
                continue;
            from.append(QPointF(patch.centre) * level.shrink);
            to.append((QPointF(patch.centre) + shift) * level.shrink);
        }
        fit.patches = int(patches.size());
        // The patches that agree with one map: the others fell on print that differs.
        QList<bool> kept(from.size(), true);
        QTransform step;
        for (int round = 0; round < 4; ++round) {
            QList<QPointF> f, t;
            for (qsizetype i = 0; i < from.size(); ++i)
                if (kept[i]) {
                    f.append(from[i]);
                    t.append(to[i]);
                }
            if (f.size() < 6) {
                fit.agreeing = int(f.size());
                return fit;
            }
            step = PageWarp::affineFit(f, t);
            QList<double> errors;
            for (qsizetype i = 0; i < from.size(); ++i)
                errors.append(QLineF(step.map(from[i]), to[i]).length());
            QList<double> sorted;
            for (qsizetype i = 0; i < from.size(); ++i)
                if (kept[i])
                    sorted.append(errors[i]);
            std::sort(sorted.begin(), sorted.end());
            const double limit = std::max(3 * sorted[sorted.size() / 2], 0.75 * level.shrink);
            double total = 0;
            int agreeing = 0;
            for (qsizetype i = 0; i < from.size(); ++i) {
                kept[i] = errors[i] <= limit;
                if (kept[i]) {
                    total += errors[i];
                    ++agreeing;
                }
            }
            fit.agreeing = agreeing;
            fit.residual = agreeing ? total / agreeing : 0;
        }
        // 'step' takes reference points to where they lie in the warped frame.
        fit.referenceToScan = step * fit.referenceToScan;
    }
    return fit;
}

} // namespace PageAlignment
