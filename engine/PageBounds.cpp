#include "PageBounds.h"

#include "PageRenderer.h"

#include <QStringList>

#include <numeric>

namespace PageBounds {

namespace {
// Less than this past an edge is rounding, not a misplaced element.
constexpr double kToleranceMm = 0.01;
} // namespace

QRectF extentMm(const ReportElement &element)
{
    QRectF extent = element.rectMm.normalized();
    if (element.kind == ElementKind::Table && !element.columnWidthsMm.isEmpty() &&
        !element.rowHeightsMm.isEmpty())
        extent.setSize(QSizeF(
            std::accumulate(element.columnWidthsMm.begin(), element.columnWidthsMm.end(), 0.0),
            std::accumulate(element.rowHeightsMm.begin(), element.rowHeightsMm.end(), 0.0)));
    return extent;
}

bool isOutside(const ReportElement &element, const PageSetup &page)
{
    const QRectF extent = extentMm(element);
    return extent.left() < -kToleranceMm || extent.top() < -kToleranceMm ||
           extent.right() > page.pageWidthMm() + kToleranceMm ||
           extent.bottom() > page.pageHeightMm() + kToleranceMm;
}

QList<int> outside(const ReportTemplate &report)
{
    QList<int> found;
    for (int index = 0; index < report.elements.size(); ++index)
        if (isOutside(report.elements[index], report.page))
            found.append(index);
    return found;
}

QString warning(const ReportTemplate &report)
{
    const QList<int> found = outside(report);
    if (found.isEmpty())
        return QString();
    QStringList names;
    for (qsizetype i = 0; i < found.size() && i < 5; ++i) {
        const QString label = PageRenderer::elementLabel(report.elements[found[i]]);
        names.append(label.isEmpty() ? QStringLiteral("第 %1 个元素").arg(found[i] + 1)
                                     : QStringLiteral("“%1”").arg(label));
    }
    return QStringLiteral("%1 个元素超出页面，打印时会被截去：%2%3")
        .arg(found.size())
        .arg(names.join(QStringLiteral("、")), found.size() > 5 ? QStringLiteral("等") : QString());
}

} // namespace PageBounds
