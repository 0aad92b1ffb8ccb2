#pragma once
// Brings a scanned page onto its letter: from a first guess (the letter code's corners), the
// print itself refines the map, patch by patch, coarse to fine, each patch's best shift found
// by correlation and one affine map fitted to the patches that agree.

#include <QImage>
#include <QList>
#include <QRect>
#include <QTransform>

namespace PageAlignment {
struct Fit
{
    QTransform referenceToScan;
    int patches = 0;     // patches with print enough to match
    int agreeing = 0;    // of them, those the final map fits
    double residual = 0; // their mean distance from the map, in reference pixels
};
// 'reference' and 'scan' are grey; 'skip' are reference rectangles (pixels) whose content
// may differ (reply areas).
Fit refine(const QImage &reference, const QImage &scan, const QTransform &referenceToScan,
           const QList<QRect> &skip);
} // namespace PageAlignment
