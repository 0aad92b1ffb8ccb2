#pragma once
// Where a dragged element comes to rest: on another element's edge or centre, or on a
// page margin, when it comes near one, else on the grid. All in millimetres.

#include <QLineF>
#include <QList>
#include <QRectF>

class Snapper
{
public:
    struct Result
    {
        QPointF delta;        // the snapped movement
        QList<QLineF> guides; // the lines it snapped to, to show while dragging
    };

    Snapper(const QRectF &pageMm, double thresholdMm);

    void setGrid(bool on, double stepMm)
    {
        m_gridOn = on;
        m_gridMm = stepMm;
    }
    void setEnabled(bool on) { m_enabled = on; }
    // Edges and centres of an element that stays put.
    void addTarget(const QRectF &rectMm);
    void addVertical(double xMm) { m_xs.append(xMm); }
    void addHorizontal(double yMm) { m_ys.append(yMm); }

    // The movement of 'rectMm' by 'deltaMm', snapped.
    Result move(const QRectF &rectMm, QPointF deltaMm) const;
    // One edge being dragged to 'xMm' or 'yMm', snapped.
    double snapX(double xMm, QList<QLineF> &guides) const;
    double snapY(double yMm, QList<QLineF> &guides) const;

private:
    // The best shift of any of 'positions' onto a target or the grid; 'target' gets where.
    double best(const QList<double> &positions, const QList<double> &targets, double &target,
                bool &found) const;
    double toGrid(double value) const;
    double snapOne(double value, const QList<double> &targets, Qt::Orientation guide,
                   QList<QLineF> &guides) const;

    QRectF m_page;
    double m_threshold;
    bool m_enabled = true;
    bool m_gridOn = true;
    double m_gridMm = 5;
    QList<double> m_xs;
    QList<double> m_ys;
};
