#pragma once
// Real mouse and wheel events for the designer's widgets, and finding elements by name.

#include "engine/PageUnits.h"
#include "engine/designer/DesignCanvas.h"
#include "engine/designer/DesignerControl.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

inline ElementId elementNamed(DesignerControl *control, const QString &name)
{
    const DesignDocument &document = control->document();
    for (ElementId id : document.ids())
        if (document.element(id).name == name)
            return id;
    return 0;
}

inline QPoint viewPointOf(DesignCanvas *canvas, QPointF mm)
{
    return canvas->mapFromScene(mm * PageUnits::PerMm);
}

inline void mouse(QWidget *viewport, QEvent::Type type, QPoint at,
                  Qt::KeyboardModifiers modifiers = {}, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButton changed = type == QEvent::MouseMove ? Qt::NoButton : button;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, viewport->mapToGlobal(at), changed, held, modifiers);
    QApplication::sendEvent(viewport, &event);
}

// Press at 'from', four moves, release at 'to'.
inline void drag(DesignCanvas *canvas, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {})
{
    QWidget *viewport = canvas->viewport();
    mouse(viewport, QEvent::MouseButtonPress, from, modifiers);
    for (int step = 1; step <= 4; ++step)
        mouse(viewport, QEvent::MouseMove, from + (to - from) * step / 4, modifiers);
    mouse(viewport, QEvent::MouseButtonRelease, to, modifiers);
}

inline void click(DesignCanvas *canvas, QPoint at, Qt::KeyboardModifiers modifiers = {})
{
    mouse(canvas->viewport(), QEvent::MouseButtonPress, at, modifiers);
    mouse(canvas->viewport(), QEvent::MouseButtonRelease, at, modifiers);
}

// One notch of the wheel over the middle of 'widget', turned up (positive) or down.
inline void wheel(QWidget *widget, int notches)
{
    const QPoint at = widget->rect().center();
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}
