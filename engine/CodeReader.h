#pragma once
// Reads the QR and Code 128 symbols on a picture (a scanned page, a photo), with zxing-cpp:
// the counterpart of BarcodeSymbol, so a printed code can be found again on paper.

#include <QImage>
#include <QPointF>
#include <QPolygonF>
#include <QString>
#include <QStringList>

namespace CodeReader {
struct Code
{
    QString text;
    QPointF centre;      // in the picture's pixels
    bool linear = false; // Code 128 rather than QR
    // The symbol's corners in the picture's pixels: top left, top right, bottom right, bottom
    // left as the symbol reads, so the way from the left edge to the right one is the way
    // its text runs on the page.
    QPolygonF corners;
};
// Every code on the picture, in reading order (top to bottom, then left to right). Pages
// that come back turned (90°, 180°, 270°) are read too.
QList<Code> read(const QImage &picture);
// Just the texts, each once, in the same order.
QStringList texts(const QImage &picture);
QStringList textsOf(const QList<Code> &codes);
} // namespace CodeReader
