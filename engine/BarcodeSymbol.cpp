#include "BarcodeSymbol.h"

#include "ReportError.h"
#include "platform/QuotedContent.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/CharacterSet.h>
#include <ZXing/MultiFormatWriter.h>

#include <QCache>
#include <QMutex>
#include <QPainter>

#include <stdexcept>

BarcodeSymbol::BarcodeSymbol(const QString &text, BarcodeSymbology symbology, int qrLevel,
                             int quietZone)
    : m_linear(symbology == BarcodeSymbology::Code128)
{
    try {
        ZXing::MultiFormatWriter writer(m_linear ? ZXing::BarcodeFormat::Code128
                                                 : ZXing::BarcodeFormat::QRCode);
        writer.setMargin(quietZone).setEncoding(ZXing::CharacterSet::UTF8);
        if (!m_linear)
            writer.setEccLevel(2 * (qrLevel + 1)); // zxing's 2, 4, 6, 8 are L, M, Q, H
        const ZXing::BitMatrix matrix = writer.encode(text.toStdWString(), 0, 0);
        const int width = matrix.width(), height = m_linear ? 1 : matrix.height();
        if (width > 0 && height > 0) {
            m_modules = QImage(width, height, QImage::Format_Mono);
            m_modules.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
            m_modules.fill(kLight);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    if (matrix.get(x, y))
                        m_modules.setPixel(x, y, kDark);
        }
    } catch (const std::exception &error) {
        throw ReportError(QStringLiteral("“%1”无法编成条码（%2）")
                              .arg(QuotedContent::of(text), QString::fromUtf8(error.what())));
    }
    if (m_modules.isNull())
        throw ReportError(QStringLiteral("“%1”无法编成条码").arg(QuotedContent::of(text)));
}

std::shared_ptr<const BarcodeSymbol>
BarcodeSymbol::encoded(const QString &text, BarcodeSymbology symbology, int qrLevel, int quietZone)
{
    static QMutex mutex;
    // Enough for the codes of a long run between its check and its drawing; a few MB.
    static QCache<QString, std::shared_ptr<const BarcodeSymbol>> cache(20000);
    const QString key =
        QStringLiteral("%1/%2/%3/").arg(int(symbology)).arg(qrLevel).arg(quietZone) + text;
    {
        const QMutexLocker lock(&mutex);
        if (const auto *found = cache.object(key))
            return *found;
    }
    auto symbol = std::make_shared<const BarcodeSymbol>(text, symbology, qrLevel, quietZone);
    const QMutexLocker lock(&mutex);
    cache.insert(key, new std::shared_ptr<const BarcodeSymbol>(symbol));
    return symbol;
}

QRectF BarcodeSymbol::placeIn(const QRectF &box, double smallestModule) const
{
    if (m_linear) {
        if (box.width() / width() < smallestModule)
            return QRectF();
        return box;
    }
    const double side = std::min(box.width(), box.height());
    if (side / width() < smallestModule)
        return QRectF();
    return QRectF(box.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
}

void BarcodeSymbol::paint(QPainter &painter, const QRectF &place) const
{
    painter.save();
    // Each module a sharp square: a smoothed image would blur the edges the reader needs.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(place, m_modules);
    painter.restore();
}
