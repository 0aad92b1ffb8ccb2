#pragma once
// A ruler in millimetres beside the canvas. It follows every change of the page, zoom and
// scrolling, and marks the pointer's position and the selection's extent.

#include <QWidget>

class DesignCanvas;

class DesignRuler : public QWidget
{
    Q_OBJECT
public:
    DesignRuler(DesignCanvas &canvas, Qt::Orientation orientation, QWidget *parent = nullptr);
    QSize sizeHint() const override;

    // Where millimetre 0 falls on the ruler, in its own pixels, and pixels per millimetre,
    // as last painted or about to be.
    double origin() const { return m_origin; }
    double pixelsPerMm() const { return m_perMm; }
    // The millimetres between two labels at the current zoom.
    int labelStep() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void follow();

    DesignCanvas &m_canvas;
    Qt::Orientation m_orientation;
    double m_origin = 0;
    double m_perMm = 1;
    double m_pointerMm = -1e9;
};
