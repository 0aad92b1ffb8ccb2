#pragma once
// The modules of a QR code or Code 128 symbol for a text, encoded by zxing-cpp, and where
// they go in a box: the renderer fills them as rectangles, so the code is exact on screen,
// paper and PDF alike.

#include "ReportTemplate.h"

#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

class BarcodeSymbol
{
public:
    // Raises ReportError with the reason when the text cannot be encoded.
    BarcodeSymbol(const QString &text, BarcodeSymbology symbology, int qrLevel, int quietZone);
    // The same, kept for the next ask: a run checks every code before it draws them, and
    // encoding is most of what a code costs.
    static std::shared_ptr<const BarcodeSymbol>
    encoded(const QString &text, BarcodeSymbology symbology, int qrLevel, int quietZone);

    int width() const { return m_width; } // in modules, quiet zone included
    int height() const { return m_height; }
    bool isSet(int x, int y) const { return m_modules[size_t(y) * size_t(m_width) + size_t(x)]; }

    // The symbol's place in a box, in the box's units: a QR code square and centred, a
    // linear code across the whole box. Empty when its modules would be smaller than
    // 'smallestModule'.
    QRectF placeIn(const QRectF &box, double smallestModule) const;
    // Fills the dark modules, merged along each row into runs.
    void paint(class QPainter &painter, const QRectF &place) const;

private:
    bool m_linear = false;
    int m_width = 0, m_height = 0;
    std::vector<bool> m_modules;
};
