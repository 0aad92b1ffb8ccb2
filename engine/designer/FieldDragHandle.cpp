#include "FieldDragHandle.h"

#include "DesignCanvas.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

FieldDragHandle::FieldDragHandle(std::function<QString()> field, QWidget *parent)
    : QLabel(QStringLiteral("⠿ 拖到页面"), parent), m_field(std::move(field))
{
    setObjectName(QStringLiteral("lblDragField"));
    setToolTip(QStringLiteral("把所选字段拖到页面上，生成显示该字段的文字"));
    setAccessibleName(toolTip());
    setCursor(Qt::OpenHandCursor);
}

QMimeData *FieldDragHandle::mimeFor(const QString &field)
{
    auto *mime = new QMimeData;
    mime->setData(DesignCanvas::FieldMimeType, field.toUtf8());
    mime->setText(QLatin1Char('{') + field + QLatin1Char('}'));
    return mime;
}

void FieldDragHandle::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    m_pressAt = event->position().toPoint();
    QLabel::mousePressEvent(event);
}

void FieldDragHandle::mouseMoveEvent(QMouseEvent *event)
{
    const QString field = m_field ? m_field() : QString();
    if (!m_pressed || field.isEmpty() ||
        (event->position().toPoint() - m_pressAt).manhattanLength() <
            QApplication::startDragDistance())
        return QLabel::mouseMoveEvent(event);
    m_pressed = false;
    auto *drag = new QDrag(this);
    drag->setMimeData(mimeFor(field));
    drag->exec(Qt::CopyAction);
}
