#include "Snapper.h"

#include <cmath>

Snapper::Snapper(const QRectF &pageMm, double thresholdMm)
    : m_page(pageMm), m_threshold(thresholdMm)
{
}

void Snapper::addTarget(const QRectF &rectMm)
{
    m_xs += {rectMm.left(), rectMm.center().x(), rectMm.right()};
    m_ys += {rectMm.top(), rectMm.center().y(), rectMm.bottom()};
}

double Snapper::toGrid(double value) const
{
    return m_gridMm > 0 ? std::round(value / m_gridMm) * m_gridMm : value;
}

double Snapper::best(const QList<double> &positions, const QList<double> &targets, double &target,
                     bool &found) const
{
    double shift = 0;
    double distance = m_threshold;
    found = false;
    for (double p : positions)
        for (double t : targets)
            if (std::abs(t - p) < distance) {
                distance = std::abs(t - p);
                shift = t - p;
                target = t;
                found = true;
            }
    return shift;
}

Snapper::Result Snapper::move(const QRectF &rectMm, QPointF deltaMm) const
{
    Result result{deltaMm, {}};
    if (!m_enabled)
        return result;
    const QRectF moved = rectMm.translated(deltaMm);
    double target = 0;
    bool found = false;
    const double dx = best({moved.left(), moved.center().x(), moved.right()}, m_xs, target, found);
    if (found) {
        result.delta.rx() += dx;
        result.guides.append(QLineF(target, m_page.top(), target, m_page.bottom()));
    } else if (m_gridOn) {
        result.delta.rx() += toGrid(moved.left()) - moved.left();
    }
    const double dy = best({moved.top(), moved.center().y(), moved.bottom()}, m_ys, target, found);
    if (found) {
        result.delta.ry() += dy;
        result.guides.append(QLineF(m_page.left(), target, m_page.right(), target));
    } else if (m_gridOn) {
        result.delta.ry() += toGrid(moved.top()) - moved.top();
    }
    return result;
}

double Snapper::snapX(double xMm, QList<QLineF> &guides) const
{
    return snapOne(xMm, m_xs, Qt::Vertical, guides);
}

double Snapper::snapY(double yMm, QList<QLineF> &guides) const
{
    return snapOne(yMm, m_ys, Qt::Horizontal, guides);
}

double Snapper::snapOne(double value, const QList<double> &targets, Qt::Orientation guide,
                        QList<QLineF> &guides) const
{
    if (!m_enabled)
        return value;
    double target = 0;
    bool found = false;
    const double shift = best({value}, targets, target, found);
    if (!found)
        return m_gridOn ? toGrid(value) : value;
    guides.append(guide == Qt::Vertical ? QLineF(target, m_page.top(), target, m_page.bottom())
                                        : QLineF(m_page.left(), target, m_page.right(), target));
    return value + shift;
}
