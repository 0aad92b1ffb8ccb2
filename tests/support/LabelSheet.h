#pragma once
// Sheets of couriers' labels drawn as a scanner sees them: each label a waybill's Code 128
// with its number, sender and addressee printed around it, laid out in a grid.

#include "engine/BarcodeSymbol.h"

#include <QFont>
#include <QImage>
#include <QPainter>

struct LabelContent
{
    QString waybill;
    QString stub;       // a second Code 128 lower on the label (its receipt part), if any
    QString letterQr;   // the letter's own QR code stuck on the label, if any
    double raiseMm = 0; // the label drawn this much higher than its row, as a pasted one is
};

struct SheetLayout
{
    int columns = 2;
    double labelWidthMm = 100, labelHeightMm = 70;
    double moduleMm = 0.42; // a Code 128 module (narrowest bar)
    double dpi = 200;
};

// The labels in reading order: row by row from the top, each row from the left.
inline QImage labelSheet(const QList<LabelContent> &labels, const SheetLayout &sheet)
{
    const double px = sheet.dpi / 25.4; // pixels a millimetre
    const int rows = int((labels.size() + sheet.columns - 1) / sheet.columns);
    const double marginMm = 5;
    QImage image(qRound((sheet.columns * sheet.labelWidthMm + 2 * marginMm) * px),
                 qRound((rows * sheet.labelHeightMm + 2 * marginMm) * px), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(px, px); // millimetres from here on
    QFont font(QStringLiteral("AR PL UMing CN"));
    font.setPixelSize(4); // 4 mm high, as labels print
    painter.setFont(font);
    auto code128 = [&](const QString &text, double x, double y, double height) {
        const BarcodeSymbol symbol(text, BarcodeSymbology::Code128, 0, 10);
        symbol.paint(painter, QRectF(x, y, symbol.width() * sheet.moduleMm, height));
    };
    for (int i = 0; i < labels.size(); ++i) {
        const LabelContent &label = labels[i];
        const double left = marginMm + (i % sheet.columns) * sheet.labelWidthMm;
        const double top = marginMm + (i / sheet.columns) * sheet.labelHeightMm - label.raiseMm;
        painter.setPen(QPen(Qt::black, 0.3));
        painter.drawRect(
            QRectF(left + 1, top + 1, sheet.labelWidthMm - 2, sheet.labelHeightMm - 2));
        painter.drawText(QPointF(left + 4, top + 7),
                         QStringLiteral("标准快递  寄件：某会计师事务所"));
        code128(label.waybill, left + 4, top + 10, 14);
        painter.drawText(QPointF(left + 4, top + 29),
                         QStringLiteral("运单号 %1").arg(label.waybill));
        painter.drawText(QPointF(left + 4, top + 36), QStringLiteral("收件：客户单位财务部"));
        if (!label.stub.isEmpty())
            code128(label.stub, left + 4, top + 42, 10);
        if (!label.letterQr.isEmpty()) {
            const BarcodeSymbol qr(label.letterQr, BarcodeSymbology::QrCode, 1, 2);
            qr.paint(painter, QRectF(left + sheet.labelWidthMm - 24, top + 42, 20, 20));
        }
    }
    return image;
}
