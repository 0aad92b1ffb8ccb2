#include "Snapper.h"

#include <cmath>

Snapper::Snapper(const QRectF &pageMm, double thresholdMm)
    : m_page(pageMm), m_threshold(thresholdMm)
{
}

void Snapper::addTarget(const QRectF &rectMm)
{
    m_x.lows.append(rectMm.left());
    m_x.centres.append(rectMm.center().x());
    m_x.highs.append(rectMm.right());
    m_y.lows.append(rectMm.top());
    m_y.centres.append(rectMm.center().y());
    m_y.highs.append(rectMm.bottom());
}

double Snapper::toGrid(double value) const
{
    return m_gridMm > 0 ? std::round(value / m_gridMm) * m_gridMm : value;
}

QLineF Snapper::guide(double at, Qt::Orientation orientation) const
{
    return orientation == Qt::Vertical ? QLineF(at, m_page.top(), at, m_page.bottom())
                                       : QLineF(m_page.left(), at, m_page.right(), at);
}

Snapper::Found Snapper::nearest(double low, double centre, double high, const Axis &axis) const
{
    Found best;
    double distance = m_threshold;
    const auto consider = [&](double from, const QList<double> &targets) {
        for (double t : targets)
            if (std::abs(t - from) <= distance) {
                distance = std::abs(t - from);
                best = {t - from, t, true};
            }
    };
    consider(low, axis.lows);
    consider(centre, axis.centres);
    consider(high, axis.highs);
    for (double position : {low, centre, high})
        consider(position, axis.lines);
    return best;
}

// The shift of the span [low, high] along one axis.
double Snapper::snapAxis(double low, double centre, double high, const Axis &axis,
                         Qt::Orientation orientation, QList<QLineF> &guides) const
{
    const Found found = nearest(low, centre, high, axis);
    const double toGridShift = m_gridOn ? toGrid(low) - low : 0.0;
    // An element's edge takes the drag only when it is nearer than the grid: in a full
    // letter some edge is nearly always within reach, and the grid would never be met.
    if (found.found && (!m_gridOn || std::abs(found.shift) < std::abs(toGridShift))) {
        guides.append(guide(found.target, orientation));
        return found.shift;
    }
    return toGridShift;
}

Snapper::Result Snapper::move(const QRectF &rectMm, QPointF deltaMm) const
{
    Result result{deltaMm, {}};
    if (!m_enabled)
        return result;
    const QRectF r = rectMm.normalized().translated(deltaMm);
    result.delta.rx() +=
        snapAxis(r.left(), r.center().x(), r.right(), m_x, Qt::Vertical, result.guides);
    result.delta.ry() +=
        snapAxis(r.top(), r.center().y(), r.bottom(), m_y, Qt::Horizontal, result.guides);
    return result;
}

double Snapper::snapX(double xMm, QList<QLineF> &guides) const
{
    return m_enabled ? xMm + snapAxis(xMm, NAN, xMm, m_x, Qt::Vertical, guides) : xMm;
}

double Snapper::snapY(double yMm, QList<QLineF> &guides) const
{
    return m_enabled ? yMm + snapAxis(yMm, NAN, yMm, m_y, Qt::Horizontal, guides) : yMm;
}
