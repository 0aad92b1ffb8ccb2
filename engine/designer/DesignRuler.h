#pragma once
// A ruler in millimetres beside the canvas, following its zoom and scrolling.

#include <QWidget>

class DesignCanvas;

class DesignRuler : public QWidget
{
    Q_OBJECT
public:
    DesignRuler(DesignCanvas &canvas, Qt::Orientation orientation, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    DesignCanvas &m_canvas;
    Qt::Orientation m_orientation;
};
