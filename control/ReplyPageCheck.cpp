#include "ReplyPageCheck.h"

#include "InkDifference.h"
#include "PageAlignment.h"
#include "PageWarp.h"
#include "SealFinder.h"

#include <QLineF>

#include <algorithm>
#include <cmath>

namespace {

// Scans coarser or finer than this (dots per inch, judged by the code's size) are no scans
// of a letter's page but something else carrying a code.
constexpr double kCoarsest = 50, kFinest = 1300;
// Marks smaller than this (square millimetres of ink) are dust, not an answer.
constexpr double kSmallestMarkMm2 = 4;
// Changes are shown this much larger (millimetres) than the ink that differs.
constexpr double kPaddingMm = 1.5;

double side(const QPolygonF &corners)
{
    double total = 0;
    for (int i = 0; i < 4; ++i)
        total += QLineF(corners[i], corners[(i + 1) % 4]).length();
    return total / 4;
}

QRect pixelsOf(const QRectF &mm, double pixelsPerMm)
{
    return QRectF(mm.topLeft() * pixelsPerMm, mm.size() * pixelsPerMm).toAlignedRect();
}

QList<QRectF> merged(QList<QRectF> rects)
{
    for (bool joined = true; joined;) {
        joined = false;
        for (qsizetype i = 0; i < rects.size() && !joined; ++i)
            for (qsizetype j = i + 1; j < rects.size() && !joined; ++j)
                if (rects[i].intersects(rects[j])) {
                    rects[i] |= rects[j];
                    rects.removeAt(j);
                    joined = true;
                }
    }
    std::sort(rects.begin(), rects.end(), [](const QRectF &a, const QRectF &b) {
        return a.top() != b.top() ? a.top() < b.top() : a.left() < b.left();
    });
    return rects;
}

ReplyPageCheck::AreaMarks marksIn(const InkDifference &difference, const QImage &scan,
                                  const QTransform &frameToScan, const QRectF &mm,
                                  double pixelsPerMm)
{
    ReplyPageCheck::AreaMarks marks;
    if (mm.isEmpty())
        return marks;
    // Inside the box's own border, which is print.
    const QRect area = pixelsOf(mm.adjusted(1, 1, -1, -1), pixelsPerMm);
    if (area.isEmpty())
        return marks;
    const QImage colour = PageWarp::warpedColour(
        scan, QTransform::fromTranslate(area.left(), area.top()) * frameToScan, area.size());
    const InkDifference::Ink ink = difference.extraInk(area);
    const int writing = ink.writing;
    marks.inkShare = double(ink.pixels) / (double(area.width()) * area.height());
    marks.seal = SealFinder::found(colour, colour.rect(), pixelsPerMm);
    marks.marked = marks.seal || writing >= kSmallestMarkMm2 * pixelsPerMm * pixelsPerMm;
    return marks;
}

ReplyPageCheck::Result notCompared(const QString &why)
{
    ReplyPageCheck::Result result;
    result.notCompared = why;
    return result;
}

} // namespace

namespace ReplyPageCheck {

QImage Result::scanIn(const QRect &frame) const
{
    if (!compared || frame.isEmpty())
        return {};
    return PageWarp::warpedColour(
        scanned, QTransform::fromTranslate(frame.left(), frame.top()) * frameToScan, frame.size());
}

QImage Result::scanInFrame() const
{
    return scanIn(reference.rect());
}

QString Result::note() const
{
    if (!compared)
        return QStringLiteral("未比对：%1").arg(notCompared);
    auto area = [](const QString &name, const AreaMarks &marks) {
        if (!marks.marked)
            return QStringLiteral("%1：无标记").arg(name);
        return QStringLiteral("%1：有标记%2，墨迹占 %3%")
            .arg(name, marks.seal ? QStringLiteral("、有红章") : QString())
            .arg(marks.inkShare * 100, 0, 'f', 1);
    };
    QStringList parts{area(QStringLiteral("数据证明无误"), agree),
                      area(QStringLiteral("数据不符"), disagree),
                      QStringLiteral("建议：%1").arg(suggestion)};
    if (altered())
        parts.prepend(QStringLiteral("%1（%2 处）").arg(kAltered).arg(changed.size()));
    return parts.join(QStringLiteral("；"));
}

QString suggestionFor(const AreaMarks &agree, const AreaMarks &disagree)
{
    if (disagree.marked && !agree.marked)
        return kDiffers;
    if (agree.marked && agree.seal && !disagree.marked)
        return kAgrees;
    return kUndecided;
}

Result check(const QImage &scan, const QPolygonF &codeCorners, const QByteArray &letterPdf,
             const ReplyAreas &areas)
{
    return check(scan, codeCorners, LetterReference(letterPdf), areas);
}

Result check(const QImage &scan, const QPolygonF &codeCorners, const LetterReference &letter,
             const ReplyAreas &areas)
{
    if (!letter.usable())
        return notCompared(letter.problem());
    if (scan.isNull() || scan.width() < 100 || scan.height() < 100)
        return notCompared(QStringLiteral("扫描页是空的"));
    if (codeCorners.size() != 4)
        return notCompared(QStringLiteral("扫描页上没有函证码"));
    const double ppmm = letter.pixelsPerMm();
    const double scale = side(codeCorners) / side(letter.codeCorners());
    const double dpi = scale * ppmm * 25.4;
    if (!(dpi >= kCoarsest && dpi <= kFinest))
        return notCompared(QStringLiteral("函证码大小不对，无法对齐"));

    // Fine scans are shrunk to about the letter's resolution first: the comparison needs no
    // more, and averaging keeps the finer detail from aliasing.
    const int factor = std::max(1, int(scale + 0.25));
    const QImage grey = PageWarp::greyShrunk(scan, factor);
    QList<QPointF> from(letter.codeCorners().begin(), letter.codeCorners().end()), to;
    for (const QPointF &corner : codeCorners)
        to.append(corner / factor);
    const QTransform guess = PageWarp::affineFit(from, to);
    if (guess.isIdentity())
        return notCompared(QStringLiteral("函证码的位置不对，无法对齐"));

    QList<QRect> free;
    for (const QRectF &area : areas.free)
        free.append(pixelsOf(area, ppmm));
    const PageAlignment::Fit fit = PageAlignment::refine(letter.grey(), grey, guess, free);
    if (fit.agreeing < 8 || fit.agreeing * 3 < fit.patches)
        return notCompared(QStringLiteral("无法对齐"));

    Result result;
    result.compared = true;
    result.pixelsPerMm = ppmm;
    result.reference = letter.picture();
    const QSize size = letter.grey().size();
    const QImage warped = PageWarp::warpedGrey(grey, fit.referenceToScan, size, 255);
    const InkDifference difference(letter.grey(), letter.softGrey(),
                                   InkDifference::levelled(letter.grey(), warped));
    for (const QRect &rect : difference.changed(free))
        result.changed.append(QRectF(rect.topLeft() / ppmm, QSizeF(rect.size()) / ppmm)
                                  .adjusted(-kPaddingMm, -kPaddingMm, kPaddingMm, kPaddingMm));
    result.changed = merged(result.changed);

    // A shrunk pixel's centre lies half a pixel in from the first full one it averages.
    const QTransform toFull = fit.referenceToScan * QTransform::fromScale(factor, factor) *
                              QTransform::fromTranslate((factor - 1) / 2.0, (factor - 1) / 2.0);
    result.scanned = scan;
    result.frameToScan = toFull;
    result.agree = marksIn(difference, scan, toFull, areas.agree, ppmm);
    result.disagree = marksIn(difference, scan, toFull, areas.disagree, ppmm);
    result.suggestion = suggestionFor(result.agree, result.disagree);
    if (result.disagree.marked) {
        const QRectF lines = areas.differences.isEmpty() ? areas.disagree : areas.differences;
        result.differenceLines = result.scanIn(pixelsOf(lines, ppmm));
    }
    return result;
}

} // namespace ReplyPageCheck
