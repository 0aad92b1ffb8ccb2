#include "ElementItem.h"

#include "DesignCanvas.h"
#include "engine/PageUnits.h"

#include <QPainter>

ElementItem::ElementItem(DesignCanvas &canvas, ElementId id) : m_canvas(canvas), m_id(id)
{
    refresh();
}

QRectF ElementItem::elementRect() const
{
    const QRectF mm = m_canvas.document().element(m_id).rectMm;
    return QRectF(PageUnits::fromMm(mm.x()), PageUnits::fromMm(mm.y()),
                  PageUnits::fromMm(mm.width()), PageUnits::fromMm(mm.height()));
}

void ElementItem::refresh()
{
    prepareGeometryChange();
    const ReportElement &element = m_canvas.document().element(m_id);
    // Room for the pen, for text drawn past its box and for the overflow mark.
    const double margin = PageUnits::fromMm(std::max(1.0, element.penWidthMm));
    QRectF bounds = elementRect().normalized().adjusted(-margin, -margin, margin, margin);
    if (element.kind == ElementKind::Text || element.kind == ElementKind::Field ||
        element.kind == ElementKind::SystemValue)
        bounds.setBottom(bounds.bottom() + PageUnits::fromMm(element.style.pointSize));
    m_bounds = bounds;
    // Texts, tables and pictures are costly to lay out: moving one only shifts its cached
    // picture, drawn again when it changes or the zoom does. Lines and boxes draw faster
    // than a picture of them would.
    setCacheMode(element.kind == ElementKind::Line || element.kind == ElementKind::Rectangle
                     ? QGraphicsItem::NoCache
                     : QGraphicsItem::DeviceCoordinateCache);
    setZValue(m_canvas.document().indexOf(m_id));
    update();
}

QRectF ElementItem::boundingRect() const
{
    return m_bounds;
}

void ElementItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->save();
    painter->setClipRect(m_bounds);
    m_canvas.paintElement(*painter, m_id);
    painter->restore();
    const ReportElement &element = m_canvas.document().element(m_id);
    if (element.kind == ElementKind::Picture && element.imageData.isEmpty()) {
        // A picture not chosen yet: a box to show where it will go.
        painter->setPen(QPen(QColor(0x90, 0x90, 0x90), 0, Qt::DashLine));
        painter->setBrush(QColor(0xf4, 0xf4, 0xf4));
        const QRectF r = elementRect().normalized();
        painter->drawRect(r);
        painter->drawLine(r.topLeft(), r.bottomRight());
        painter->drawLine(r.topRight(), r.bottomLeft());
    }
    if (m_canvas.overflows(m_id)) {
        QPen pen(QColor(220, 0, 0), 0, Qt::DashLine);
        painter->setPen(pen);
        painter->setBrush(QColor(255, 0, 0, 24));
        painter->drawRect(elementRect());
    }
}
