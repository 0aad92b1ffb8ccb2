#pragma once
// The modules of a QR code or Code 128 symbol for a text, encoded by zxing-cpp, and where
// they go in a box: the renderer draws them as one 1-bit image, a pixel a module, scaled
// without smoothing, so the code is exact on screen, paper and PDF alike and costs a page
// one image rather than a rectangle for each run of modules.

#include "ReportTemplate.h"

#include <QImage>
#include <QRectF>
#include <QString>

#include <memory>

class BarcodeSymbol
{
public:
    // Raises ReportError with the reason when the text cannot be encoded.
    BarcodeSymbol(const QString &text, BarcodeSymbology symbology, int qrLevel, int quietZone);
    // The same, kept for the next ask: a run checks every code before it draws them, and
    // encoding is most of what a code costs.
    static std::shared_ptr<const BarcodeSymbol>
    encoded(const QString &text, BarcodeSymbology symbology, int qrLevel, int quietZone);

    int width() const { return m_modules.width(); } // in modules, quiet zone included
    int height() const { return m_modules.height(); }
    bool isSet(int x, int y) const { return m_modules.pixelIndex(x, y) == kDark; }

    // The symbol's place in a box, in the box's units: a QR code square and centred, a
    // linear code across the whole box. Empty when its modules would be smaller than
    // 'smallestModule'.
    QRectF placeIn(const QRectF &box, double smallestModule) const;
    // Draws the modules, dark and light, into 'place'.
    void paint(class QPainter &painter, const QRectF &place) const;

private:
    // Qt's PDF writer keeps a black-and-white image of one bit a pixel as it is, and writes
    // one image only for the same image drawn on many pages.
    static constexpr int kDark = 0, kLight = 1; // in QImage's own black-and-white table
    bool m_linear = false;
    QImage m_modules; // Format_Mono, a pixel a module
};
