#pragma once
// A grip beside the field inserter: dragged onto the page, it makes a text showing the
// field the inserter names, as a row of the field list does.

#include <QLabel>
#include <functional>

class QMimeData;

class FieldDragHandle : public QLabel
{
    Q_OBJECT
public:
    // 'field' gives the name to drag at the moment the drag begins; empty for none.
    FieldDragHandle(std::function<QString()> field, QWidget *parent = nullptr);

    // What a drag carries for that field, as the canvas takes it.
    static QMimeData *mimeFor(const QString &field);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    std::function<QString()> m_field;
    QPoint m_pressAt;
    bool m_pressed = false;
};
