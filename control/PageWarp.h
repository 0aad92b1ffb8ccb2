#pragma once
// Resampling of page pictures for comparing a scan with its letter: greyscale, shrunk by a
// whole factor, and drawn into the letter's frame through an affine map.

#include <QImage>
#include <QTransform>

namespace PageWarp {
// The picture as 8-bit grey.
QImage grey(const QImage &picture);
// The picture in grey shrunk by 'factor', in one pass.
QImage greyShrunk(const QImage &picture, int factor);
// A grey picture shrunk by 'factor' (each pixel the mean of factor × factor).
QImage shrunk(const QImage &grey, int factor);
// A picture of 'size' whose pixel (x, y) is the grey 'source' at targetToSource(x, y),
// bilinear; pixels mapping outside the source are 'outside'.
QImage warpedGrey(const QImage &source, const QTransform &targetToSource, QSize size,
                  uchar outside = 255);
// The same for a colour picture (any format), white outside.
QImage warpedColour(const QImage &source, const QTransform &targetToSource, QSize size);
// Affine map taking each 'from' point to its 'to' point, least squares; identity when fewer
// than three points or they lie on a line.
QTransform affineFit(const QList<QPointF> &from, const QList<QPointF> &to);
} // namespace PageWarp
