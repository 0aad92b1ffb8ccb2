#pragma once
// Where the bars of a linear code (Code 128) are on a picture. zxing-cpp tells the line it
// read a code on, but a code's height only as the span of the lines it read the same text
// on: a line or two of a code, or two codes of one text far apart (a label and its receipt
// stub). Reading order needs each code's own bars.

#include <QImage>
#include <QLineF>
#include <QPolygonF>

namespace LinearCodeBounds {
// The bars crossed by 'line' (from the code's first bar to its last, as read) on the grey
// picture 'grey', followed across the bars while they stay the same: the corners of the
// code, first along the line's side where bars were found first.
QPolygonF measured(const QImage &grey, const QLineF &line);
} // namespace LinearCodeBounds
