#include "BarcodeSymbol.h"

#include "ReportError.h"

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
        m_width = matrix.width();
        m_height = m_linear ? 1 : matrix.height();
        m_modules.resize(size_t(m_width) * size_t(m_height));
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                m_modules[size_t(y) * size_t(m_width) + size_t(x)] = matrix.get(x, y);
    } catch (const std::exception &error) {
        throw ReportError(
            QStringLiteral("“%1”无法编成条码（%2）").arg(text, QString::fromUtf8(error.what())));
    }
    if (m_width == 0 || m_height == 0)
        throw ReportError(QStringLiteral("“%1”无法编成条码").arg(text));
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
        if (box.width() / m_width < smallestModule)
            return QRectF();
        return box;
    }
    const double side = std::min(box.width(), box.height());
    if (side / m_width < smallestModule)
        return QRectF();
    return QRectF(box.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
}

void BarcodeSymbol::paint(QPainter &painter, const QRectF &place) const
{
    const double moduleWidth = place.width() / m_width, moduleHeight = place.height() / m_height;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width;) {
            if (!isSet(x, y)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < m_width && isSet(end, y))
                ++end;
            painter.drawRect(QRectF(place.left() + x * moduleWidth, place.top() + y * moduleHeight,
                                    (end - x) * moduleWidth, moduleHeight));
            x = end;
        }
    }
    painter.restore();
}
