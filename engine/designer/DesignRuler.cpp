#include "DesignRuler.h"

#include "DesignCanvas.h"
#include "engine/PageUnits.h"

#include <QPainter>
#include <QScrollBar>

namespace {
constexpr int kThickness = 20;
}

DesignRuler::DesignRuler(DesignCanvas &canvas, Qt::Orientation orientation, QWidget *parent)
    : QWidget(parent), m_canvas(canvas), m_orientation(orientation)
{
    setObjectName(orientation == Qt::Horizontal ? QStringLiteral("rulerHorizontal")
                                                : QStringLiteral("rulerVertical"));
    setAccessibleName(orientation == Qt::Horizontal ? QStringLiteral("水平标尺（毫米）")
                                                    : QStringLiteral("垂直标尺（毫米）"));
    setToolTip(QStringLiteral("标尺，单位：毫米"));
    const auto repaint = [this] { update(); };
    connect(canvas.horizontalScrollBar(), &QScrollBar::valueChanged, this, repaint);
    connect(canvas.verticalScrollBar(), &QScrollBar::valueChanged, this, repaint);
    connect(&canvas, &DesignCanvas::zoomChanged, this, repaint);
    connect(&canvas, &DesignCanvas::cursorMoved, this, repaint);
}

QSize DesignRuler::sizeHint() const
{
    return m_orientation == Qt::Horizontal ? QSize(100, kThickness) : QSize(kThickness, 100);
}

void DesignRuler::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xf0, 0xf0, 0xf0));
    painter.setPen(QColor(0x70, 0x70, 0x70));
    const bool horizontal = m_orientation == Qt::Horizontal;
    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    // Where millimetre 0 and millimetre 1 fall on this ruler, in its own pixels.
    const QWidget *viewport = m_canvas.viewport();
    const QPoint zero = viewport->mapTo(window(), m_canvas.mapFromScene(QPointF(0, 0)));
    const QPoint here = mapTo(window(), QPoint(0, 0));
    const double origin = horizontal ? zero.x() - here.x() : zero.y() - here.y();
    const double perMm = m_canvas.transform().m11() * PageUnits::PerMm;
    if (perMm <= 0)
        return;
    const int length = horizontal ? width() : height();
    const int step = perMm >= 3 ? 1 : (perMm >= 0.6 ? 5 : 10);
    const int first = int(std::floor(-origin / perMm / step)) * step;
    for (int mm = first; origin + mm * perMm <= length; mm += step) {
        const double at = origin + mm * perMm;
        const int tick = mm % 10 == 0 ? kThickness - 2 : (mm % 5 == 0 ? 8 : 4);
        if (horizontal)
            painter.drawLine(QPointF(at, kThickness), QPointF(at, kThickness - tick));
        else
            painter.drawLine(QPointF(kThickness, at), QPointF(kThickness - tick, at));
        if (mm % 10 == 0 && perMm * 10 >= 18) {
            const QString label = QString::number(mm);
            if (horizontal)
                painter.drawText(QPointF(at + 2, 9), label);
            else
                painter.drawText(QRectF(1, at + 1, kThickness - 2, 10), Qt::AlignLeft, label);
        }
    }
}
