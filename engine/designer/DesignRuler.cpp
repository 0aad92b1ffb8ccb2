#include "DesignRuler.h"

#include "DesignCanvas.h"

#include <QPainter>

namespace {
constexpr int kThickness = 20;
constexpr int kLabelPixels = 9;
const QColor kSelectionColour(0x9c, 0xc0, 0xf0);
} // namespace

DesignRuler::DesignRuler(DesignCanvas &canvas, Qt::Orientation orientation, QWidget *parent)
    : QWidget(parent), m_canvas(canvas), m_orientation(orientation)
{
    setObjectName(orientation == Qt::Horizontal ? QStringLiteral("rulerHorizontal")
                                                : QStringLiteral("rulerVertical"));
    setAccessibleName(orientation == Qt::Horizontal ? QStringLiteral("水平标尺（毫米）")
                                                    : QStringLiteral("垂直标尺（毫米）"));
    setToolTip(QStringLiteral("标尺，单位：毫米"));
    QFont small = font();
    small.setPixelSize(kLabelPixels);
    setFont(small);
    connect(&canvas, &DesignCanvas::viewChanged, this, &DesignRuler::follow);
    connect(&canvas, &DesignCanvas::selectionChanged, this, qOverload<>(&QWidget::update));
    connect(&canvas.document(), &DesignDocument::changed, this, qOverload<>(&QWidget::update));
    connect(&canvas, &DesignCanvas::cursorMoved, this, [this](QPointF mm) {
        m_pointerMm = m_orientation == Qt::Horizontal ? mm.x() : mm.y();
        update();
    });
    follow();
}

QSize DesignRuler::sizeHint() const
{
    return m_orientation == Qt::Horizontal ? QSize(100, kThickness) : QSize(kThickness, 100);
}

void DesignRuler::follow()
{
    const QWidget *viewport = m_canvas.viewport();
    const QPoint zero = viewport->mapTo(window(), m_canvas.mapFromScene(QPointF(0, 0)));
    const QPoint here = mapTo(window(), QPoint(0, 0));
    m_origin = m_orientation == Qt::Horizontal ? zero.x() - here.x() : zero.y() - here.y();
    m_perMm = m_canvas.pixelsPerMm();
    update();
}

int DesignRuler::labelStep() const
{
    // The widest label ("-100", "300") with room to spare, on either ruler.
    const int room = fontMetrics().horizontalAdvance(QStringLiteral("-300")) + 6;
    for (int step : {10, 20, 50, 100, 200, 500})
        if (step * m_perMm >= room)
            return step;
    return 1000;
}

void DesignRuler::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xf0, 0xf0, 0xf0));
    if (m_perMm <= 0)
        return;
    const bool horizontal = m_orientation == Qt::Horizontal;
    const auto along = [&](double mm) { return m_origin + mm * m_perMm; };

    // The selection's extent, under the ticks.
    QRectF extent;
    const DesignDocument &document = m_canvas.document();
    for (ElementId id : m_canvas.selection())
        extent = extent.united(document.element(id).rectMm.normalized());
    if (!extent.isNull()) {
        const double from = along(horizontal ? extent.left() : extent.top());
        const double to = along(horizontal ? extent.right() : extent.bottom());
        painter.fillRect(horizontal ? QRectF(from, 0, to - from, kThickness)
                                    : QRectF(0, from, kThickness, to - from),
                         kSelectionColour);
    }

    painter.setPen(QColor(0x70, 0x70, 0x70));
    const int length = horizontal ? width() : height();
    const int tickStep = m_perMm >= 3 ? 1 : (m_perMm >= 0.6 ? 5 : 10);
    const int labels = labelStep();
    const int first = int(std::floor(-m_origin / m_perMm / tickStep)) * tickStep;
    for (int mm = first; along(mm) <= length; mm += tickStep) {
        const double at = along(mm);
        const int tick = mm % 10 == 0 ? kThickness - 2 : (mm % 5 == 0 ? 8 : 4);
        if (horizontal)
            painter.drawLine(QPointF(at, kThickness), QPointF(at, kThickness - tick));
        else
            painter.drawLine(QPointF(kThickness, at), QPointF(kThickness - tick, at));
        if (mm % labels != 0)
            continue;
        const QString label = QString::number(mm);
        if (horizontal) {
            painter.drawText(QPointF(at + 2, kLabelPixels), label);
        } else {
            // Turned, so that a three-digit label fits the ruler's width.
            painter.save();
            painter.translate(kLabelPixels, at + 2);
            painter.rotate(90);
            painter.drawText(QPointF(0, 0), label);
            painter.restore();
        }
    }

    const double pointer = along(m_pointerMm);
    if (pointer >= 0 && pointer <= length) {
        painter.setPen(QPen(QColor(0xd0, 0x20, 0x20), 1));
        if (horizontal)
            painter.drawLine(QPointF(pointer, 0), QPointF(pointer, kThickness));
        else
            painter.drawLine(QPointF(0, pointer), QPointF(kThickness, pointer));
    }
}
