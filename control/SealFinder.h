#pragma once
// Finds a red seal (公章) in part of a colour page: red ink, roughly round, and as large as
// a company's seal is.

#include <QImage>
#include <QRect>

namespace SealFinder {
// True when 'area' of 'page' (colour, 'pixelsPerMm' to the millimetre) holds a seal.
bool found(const QImage &page, const QRect &area, double pixelsPerMm);
// Whether a pixel is red ink rather than black ink or paper.
inline bool red(QRgb pixel)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    return r > 110 && r - std::max(g, b) > 50;
}
} // namespace SealFinder
