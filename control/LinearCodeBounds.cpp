#include "LinearCodeBounds.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <vector>

namespace LinearCodeBounds {

namespace {

// A line shifted across the bars still crosses the same bars while this share of its
// samples agrees with the line read; beyond the bars, print or paper agrees about half.
constexpr double kSameBars = 0.8;
// A code is never taller than its width.
constexpr double kTallest = 1.0;
// The slants tried, in degrees either way.
constexpr double kSteepest = 6, kSlantStep = 0.25;

// The picture's grey at a point, or -1 off the picture.
int greyAt(const QImage &grey, QPointF at)
{
    const int x = int(std::floor(at.x())), y = int(std::floor(at.y()));
    return x >= 0 && y >= 0 && x < grey.width() && y < grey.height() ? grey.constScanLine(y)[x]
                                                                     : -1;
}

QPointF sampleAt(const QLineF &line, int i, int samples)
{
    return line.pointAt((i + 0.5) / samples);
}

std::vector<bool> darkAlong(const QImage &grey, const QLineF &line, int samples, int threshold)
{
    std::vector<bool> dark(samples);
    for (int i = 0; i < samples; ++i) {
        const int value = greyAt(grey, sampleAt(line, i, samples));
        dark[i] = value >= 0 && value < threshold;
    }
    return dark;
}

int meanGrey(const QImage &grey, const QLineF &line, int samples)
{
    long sum = 0;
    int counted = 0;
    for (int i = 0; i < samples; ++i)
        if (const int value = greyAt(grey, sampleAt(line, i, samples)); value >= 0) {
            sum += value;
            ++counted;
        }
    return counted ? int(sum / counted) : 128;
}

} // namespace

QPolygonF measured(const QImage &grey, const QLineF &line)
{
    const double length = line.length();
    if (length < 2)
        return QPolygonF({line.p1(), line.p2(), line.p2(), line.p1()});
    const int samples = int(std::ceil(length));
    const int threshold = meanGrey(grey, line, samples);
    const std::vector<bool> read = darkAlong(grey, line, samples, threshold);
    const auto darkCount = std::count(read.begin(), read.end(), true);
    if (darkCount == 0 || darkCount == samples)
        return QPolygonF({line.p1(), line.p2(), line.p2(), line.p1()});
    // Dark and light samples count alike: blank paper agrees with all the light ones, and a
    // code's bars are often the smaller part of its line.
    auto agrees = [&](QPointF shift) {
        const std::vector<bool> dark = darkAlong(grey, line.translated(shift), samples, threshold);
        int darkSame = 0, lightSame = 0;
        for (int i = 0; i < samples; ++i)
            (read[i] ? darkSame : lightSame) += dark[i] == read[i];
        return (double(darkSame) / darkCount + double(lightSame) / (samples - darkCount)) / 2;
    };
    // zxing-cpp reads along a row or a column of pixels, so a code scanned askew has its bars
    // slanting across the line read. They are followed straight across at first; when they
    // seem to end, the slants a scan or a photo has are tried at that distance, where a
    // slant a little wrong has drifted off the bars and the right one has not.
    const QPointF normal = QPointF(-line.dy(), line.dx()) / length;
    auto reach = [&](int direction) {
        QPointF across = normal * direction;
        int steps = 0;
        while (steps < length * kTallest) {
            const int next = steps + 1;
            if (agrees(across * next) < kSameBars) {
                double best = 0;
                for (double degrees = -kSteepest; degrees <= kSteepest; degrees += kSlantStep) {
                    const QPointF slant = QTransform().rotate(degrees).map(normal * direction);
                    if (const double agreement = agrees(slant * next); agreement > best) {
                        best = agreement;
                        across = slant;
                    }
                }
                if (best < kSameBars)
                    break;
            }
            steps = next;
        }
        return across * steps;
    };
    const QPointF before = reach(-1), after = reach(1);
    return QPolygonF(
        {line.p1() + before, line.p2() + before, line.p2() + after, line.p1() + after});
}

} // namespace LinearCodeBounds
