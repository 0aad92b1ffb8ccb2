#include "PageWarp.h"

#include <QPainter>

#include <array>
#include <cmath>

namespace {

// Solves the 3 × 3 system a x = b by Cramer's rule; false when singular.
bool solve3(const std::array<std::array<double, 3>, 3> &a, const std::array<double, 3> &b,
            std::array<double, 3> &x)
{
    auto det = [](const std::array<std::array<double, 3>, 3> &m) {
        return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
               m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    const double d = det(a);
    if (std::abs(d) < 1e-9)
        return false;
    for (int c = 0; c < 3; ++c) {
        auto m = a;
        for (int r = 0; r < 3; ++r)
            m[r][c] = b[r];
        x[c] = det(m) / d;
    }
    return true;
}

} // namespace

namespace PageWarp {

QImage grey(const QImage &picture)
{
    if (picture.format() == QImage::Format_Grayscale8)
        return picture;
    if (picture.format() != QImage::Format_RGB32 && picture.format() != QImage::Format_ARGB32)
        return picture.convertToFormat(QImage::Format_Grayscale8);
    // Qt's own conversion goes through a general path several times slower.
    QImage result(picture.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        uchar *out = result.scanLine(y);
        for (int x = 0; x < picture.width(); ++x)
            out[x] = uchar((qRed(in[x]) * 77 + qGreen(in[x]) * 151 + qBlue(in[x]) * 28) >> 8);
    }
    return result;
}

QImage greyShrunk(const QImage &picture, int factor)
{
    if (factor <= 1 ||
        (picture.format() != QImage::Format_RGB32 && picture.format() != QImage::Format_ARGB32))
        return shrunk(grey(picture), factor);
    const int w = std::max(1, picture.width() / factor), h = std::max(1, picture.height() / factor);
    QImage result(w, h, QImage::Format_Grayscale8);
    result.fill(255);
    std::vector<int> sums(static_cast<size_t>(w));
    const int area = factor * factor * 256;
    for (int y = 0; y < picture.height() / factor; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int dy = 0; dy < factor; ++dy) {
            const QRgb *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y * factor + dy));
            for (int x = 0; x < w * factor; ++x)
                sums[size_t(x / factor)] +=
                    qRed(in[x]) * 77 + qGreen(in[x]) * 151 + qBlue(in[x]) * 28;
        }
        uchar *out = result.scanLine(y);
        for (int x = 0; x < w; ++x)
            out[x] = uchar(sums[size_t(x)] / area);
    }
    return result;
}

QImage shrunk(const QImage &grey, int factor)
{
    if (factor <= 1)
        return grey;
    const int w = grey.width() / factor, h = grey.height() / factor;
    QImage result(std::max(1, w), std::max(1, h), QImage::Format_Grayscale8);
    result.fill(255);
    std::vector<int> sums(size_t(std::max(1, w)));
    const int area = factor * factor;
    for (int y = 0; y < h; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int dy = 0; dy < factor; ++dy) {
            const uchar *in = grey.constScanLine(y * factor + dy);
            for (int x = 0; x < w; ++x) {
                const uchar *p = in + x * factor;
                int s = 0;
                for (int dx = 0; dx < factor; ++dx)
                    s += p[dx];
                sums[size_t(x)] += s;
            }
        }
        uchar *out = result.scanLine(y);
        for (int x = 0; x < w; ++x)
            out[x] = uchar(sums[size_t(x)] / area);
    }
    return result;
}

QImage warpedGrey(const QImage &source, const QTransform &targetToSource, QSize size, uchar outside)
{
    QImage result(size, QImage::Format_Grayscale8);
    const int sw = source.width(), sh = source.height();
    const qsizetype stride = source.bytesPerLine();
    const uchar *bits = source.constBits();
    // Fixed point, 8 bits of fraction, stepping along each line.
    const double m11 = targetToSource.m11(), m12 = targetToSource.m12();
    for (int y = 0; y < size.height(); ++y) {
        const QPointF start = targetToSource.map(QPointF(0, y));
        double sx = start.x(), sy = start.y();
        uchar *out = result.scanLine(y);
        for (int x = 0; x < size.width(); ++x, sx += m11, sy += m12) {
            if (sx < 0 || sy < 0 || sx >= sw - 1 || sy >= sh - 1) {
                out[x] = outside;
                continue;
            }
            const int ix = int(sx), iy = int(sy);
            const int fx = int((sx - ix) * 256), fy = int((sy - iy) * 256);
            const uchar *p = bits + iy * stride + ix;
            const int top = p[0] * (256 - fx) + p[1] * fx;
            const int bottom = p[stride] * (256 - fx) + p[stride + 1] * fx;
            out[x] = uchar((top * (256 - fy) + bottom * fy) >> 16);
        }
    }
    return result;
}

QImage warpedColour(const QImage &picture, const QTransform &targetToSource, QSize size)
{
    QImage result(size, QImage::Format_RGB32);
    result.fill(Qt::white);
    bool invertible = false;
    const QTransform sourceToTarget = targetToSource.inverted(&invertible);
    if (!invertible)
        return result;
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(sourceToTarget);
    painter.drawImage(0, 0, picture);
    return result;
}

QTransform affineFit(const QList<QPointF> &from, const QList<QPointF> &to)
{
    if (from.size() < 3 || from.size() != to.size())
        return {};
    // Centred on the points' mean, so the sums stay well conditioned on large pages.
    QPointF mean;
    for (const QPointF &p : from)
        mean += p;
    mean /= double(from.size());
    std::array<std::array<double, 3>, 3> a{};
    std::array<double, 3> bx{}, by{};
    for (qsizetype i = 0; i < from.size(); ++i) {
        const std::array<double, 3> v{from[i].x() - mean.x(), from[i].y() - mean.y(), 1.0};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                a[size_t(r)][size_t(c)] += v[size_t(r)] * v[size_t(c)];
            bx[size_t(r)] += v[size_t(r)] * to[i].x();
            by[size_t(r)] += v[size_t(r)] * to[i].y();
        }
    }
    std::array<double, 3> px{}, py{};
    if (!solve3(a, bx, px) || !solve3(a, by, py))
        return {};
    // x' = px0 (x - mx) + px1 (y - my) + px2
    const QTransform centred(px[0], py[0], px[1], py[1], px[2], py[2]);
    return QTransform::fromTranslate(-mean.x(), -mean.y()) * centred;
}

} // namespace PageWarp
