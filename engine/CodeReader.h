#pragma once
// Reads the QR and Code 128 symbols on a picture (a scanned page, a photo), with zxing-cpp:
// the counterpart of BarcodeSymbol, so a printed code can be found again on paper.

#include <QImage>
#include <QPointF>
#include <QString>
#include <QStringList>

namespace CodeReader {
struct Code
{
    QString text;
    QPointF centre; // in the picture's pixels
};
// Every code on the picture, in reading order (top to bottom, then left to right). Pages
// that come back turned (90°, 180°, 270°) are read too.
QList<Code> read(const QImage &picture);
// Just the texts, each once, in the same order.
QStringList texts(const QImage &picture);
} // namespace CodeReader
