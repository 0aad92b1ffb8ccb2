#include "CodeReader.h"

// zxing-cpp 1.4 gives a result's text as UTF-8 when asked to, as later releases always do.
#define ZX_USE_UTF8

#include <ZXing/ReadBarcode.h>

#include <algorithm>

namespace CodeReader {

namespace {

// A point of 'view' turned by 'degrees' (as ImageView::rotated turns it) back in the
// unturned picture of 'width' by 'height' pixels.
QPointF unturned(QPointF point, int degrees, int width, int height)
{
    switch (degrees) {
    case 90:
        return {point.y(), height - 1 - point.x()};
    case 180:
        return {width - 1 - point.x(), height - 1 - point.y()};
    case 270:
        return {width - 1 - point.y(), point.x()};
    }
    return point;
}

QList<Code> codesOf(const ZXing::ImageView &view, const ZXing::DecodeHints &hints, int degrees)
{
    QList<Code> codes;
    for (const ZXing::Result &result : ZXing::ReadBarcodes(view.rotated(degrees), hints)) {
        if (!result.isValid())
            continue;
        Code code{QString::fromStdString(result.text()), QPointF(),
                  result.format() == ZXing::BarcodeFormat::Code128, QPolygonF()};
        for (const ZXing::PointI &corner : result.position()) {
            code.corners.append(
                unturned(QPointF(corner.x, corner.y), degrees, view.width(), view.height()));
            code.centre += code.corners.constLast() / 4.0;
        }
        codes.append(code);
    }
    return codes;
}

// One look at the picture. zxing-cpp 1.4 asserts (and Debian builds it with assertions on)
// when a linear code it has merged over several lines turns up again in a scaled-down
// copy: scaling down, which only helps large QR codes, is left out for Code 128.
QList<Code> look(const ZXing::ImageView &view, ZXing::Binarizer binarizer, int degrees = 0)
{
    ZXing::DecodeHints hints;
    hints.setTryHarder(true).setTryRotate(true).setBinarizer(binarizer);
    return codesOf(view,
                   ZXing::DecodeHints(hints)
                       .setFormats(ZXing::BarcodeFormat::QRCode)
                       .setTryDownscale(true),
                   degrees) +
           codesOf(view,
                   ZXing::DecodeHints(hints)
                       .setFormats(ZXing::BarcodeFormat::Code128)
                       .setTryDownscale(false),
                   degrees);
}

} // namespace

QList<Code> read(const QImage &picture)
{
    if (picture.isNull())
        return {};
    // The reader works on brightness only; one byte a pixel is also the cheapest to scan.
    const QImage grey = picture.format() == QImage::Format_Grayscale8
                            ? picture
                            : picture.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(),
                                ZXing::ImageFormat::Lum, int(grey.bytesPerLine()));
    QList<Code> codes = look(view, ZXing::Binarizer::LocalAverage);
    // A page without a code found costs a few more looks, and nothing otherwise: a fixed
    // threshold reads codes that a blurred scan or photo has smeared past the local one, and
    // a page turned on its side or upside down can hide a damaged code from the first look.
    if (codes.isEmpty())
        codes = look(view, ZXing::Binarizer::FixedThreshold);
    for (int degrees : {90, 180, 270}) {
        if (!codes.isEmpty())
            break;
        codes = look(view, ZXing::Binarizer::LocalAverage, degrees);
    }
    std::stable_sort(codes.begin(), codes.end(), [](const Code &a, const Code &b) {
        return a.centre.y() != b.centre.y() ? a.centre.y() < b.centre.y()
                                            : a.centre.x() < b.centre.x();
    });
    return codes;
}

QStringList texts(const QImage &picture)
{
    return textsOf(read(picture));
}

QStringList textsOf(const QList<Code> &codes)
{
    QStringList found;
    for (const Code &code : codes)
        if (!found.contains(code.text))
            found.append(code.text);
    return found;
}

} // namespace CodeReader
