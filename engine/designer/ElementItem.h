#pragma once
// One element on the designer's canvas: a view of the document's element, drawn by the
// same renderer as the preview, the printer and the PDF. It holds no element data itself.

#include "DesignDocument.h"

#include <QGraphicsItem>

class DesignCanvas;

class ElementItem : public QGraphicsItem
{
public:
    ElementItem(DesignCanvas &canvas, ElementId id);

    ElementId id() const { return m_id; }
    // The element's rectangle in page units, as the document holds it.
    QRectF elementRect() const;
    // Call after the element changed.
    void refresh();

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    DesignCanvas &m_canvas;
    ElementId m_id;
    QRectF m_bounds;
};
