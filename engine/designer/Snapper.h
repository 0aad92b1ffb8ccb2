#pragma once
// Where a dragged element comes to rest, all in millimetres. Near another element's edge or
// centre, a page margin or the page's centre (within the snapper's own distance), it lands
// there; otherwise, with the grid on, its edges land on the grid counted from the page's
// top-left corner.

#include <QLineF>
#include <QList>
#include <QRectF>
#include <algorithm>

class Snapper
{
public:
    struct Result
    {
        QPointF delta;        // the snapped movement
        QList<QLineF> guides; // the lines it snapped to, to show while dragging
    };

    // 'thresholdMm': how near an edge must come to another's to take it.
    Snapper(const QRectF &pageMm, double thresholdMm);

    // How near an edge must come to an element's edge, a margin or the page centre to
    // snap to it: four screen pixels, near enough to be meant, and at most a millimetre,
    // far less than a grid step even when the whole page is in view.
    static constexpr double DistancePixels = 4.0;
    static constexpr double MaxDistanceMm = 1.0;
    static double distanceMm(double pixelsPerMm)
    {
        return std::min(DistancePixels / pixelsPerMm, MaxDistanceMm);
    }

    void setGrid(bool on, double stepMm)
    {
        m_gridOn = on;
        m_gridMm = stepMm;
    }
    void setEnabled(bool on) { m_enabled = on; }
    // Edges and centres of an element that stays put, for aligning: a left edge snaps to
    // left edges, a top to tops, a centre to centres.
    void addTarget(const QRectF &rectMm);
    // A line any edge or centre snaps to: a margin, the page's centre.
    void addVertical(double xMm) { m_x.lines.append(xMm); }
    void addHorizontal(double yMm) { m_y.lines.append(yMm); }

    // The movement of 'rectMm' by 'deltaMm', snapped.
    Result move(const QRectF &rectMm, QPointF deltaMm) const;
    // One edge being dragged to 'xMm' or 'yMm', snapped.
    double snapX(double xMm, QList<QLineF> &guides) const;
    double snapY(double yMm, QList<QLineF> &guides) const;

private:
    struct Axis
    {
        QList<double> lows, centres, highs, lines; // left or top, centre, right or bottom
    };
    struct Found
    {
        double shift = 0;
        double target = 0;
        bool found = false;
    };
    Found nearest(double low, double centre, double high, const Axis &axis) const;
    double snapAxis(double low, double centre, double high, const Axis &axis, Qt::Orientation,
                    QList<QLineF> &guides) const;
    QLineF guide(double at, Qt::Orientation orientation) const;
    double toGrid(double value) const;

    QRectF m_page;
    double m_threshold;
    bool m_enabled = true;
    bool m_gridOn = true;
    double m_gridMm = 5;
    Axis m_x, m_y;
};
