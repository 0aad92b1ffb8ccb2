#include "DesignOperations.h"

#include "engine/TemplateText.h"

#include <algorithm>

namespace DesignOperations {

namespace {

QList<ElementId> unlocked(const DesignDocument &document, const QList<ElementId> &ids)
{
    QList<ElementId> list;
    for (ElementId id : ids)
        if (document.contains(id) && !document.element(id).locked)
            list.append(id);
    return list;
}

QRectF boundsOf(const DesignDocument &document, const QList<ElementId> &ids)
{
    QRectF bounds;
    for (ElementId id : ids)
        bounds = bounds.isNull() ? document.element(id).rectMm
                                 : bounds.united(document.element(id).rectMm);
    return bounds;
}

} // namespace

ReportElement withRect(const ReportElement &element, const QRectF &rectMm)
{
    ReportElement changed = element;
    // A line may be flat in one direction; every other element keeps some area.
    const double least = element.kind == ElementKind::Line ? 0.0 : MinimumSizeMm;
    changed.rectMm = QRectF(rectMm.topLeft(), QSizeF(std::max(least, rectMm.width()),
                                                     std::max(least, rectMm.height())));
    if (element.kind == ElementKind::Table) {
        // Table columns and rows scale with the table.
        const double sx = changed.rectMm.width() / std::max(0.01, element.rectMm.width());
        const double sy = changed.rectMm.height() / std::max(0.01, element.rectMm.height());
        for (double &w : changed.columnWidthsMm)
            w *= sx;
        for (double &h : changed.rowHeightsMm)
            h *= sy;
    }
    return changed;
}

Values aligned(const DesignDocument &document, const QList<ElementId> &ids, Edge edge)
{
    const QList<ElementId> movable = unlocked(document, ids);
    const QRectF bounds = boundsOf(document, ids);
    Values values;
    for (ElementId id : movable) {
        QRectF r = document.element(id).rectMm;
        switch (edge) {
        case Edge::Left:
            r.moveLeft(bounds.left());
            break;
        case Edge::Right:
            r.moveRight(bounds.right());
            break;
        case Edge::Top:
            r.moveTop(bounds.top());
            break;
        case Edge::Bottom:
            r.moveBottom(bounds.bottom());
            break;
        case Edge::HorizontalCentre:
            r.moveCenter(QPointF(bounds.center().x(), r.center().y()));
            break;
        case Edge::VerticalCentre:
            r.moveCenter(QPointF(r.center().x(), bounds.center().y()));
            break;
        }
        values.insert(id, withRect(document.element(id), r));
    }
    return values;
}

Values distributed(const DesignDocument &document, const QList<ElementId> &ids,
                   Qt::Orientation orientation)
{
    const bool horizontal = orientation == Qt::Horizontal;
    QList<ElementId> sorted = ids;
    const auto start = [&](ElementId id) {
        const QRectF r = document.element(id).rectMm;
        return horizontal ? r.left() : r.top();
    };
    const auto extent = [&](ElementId id) {
        const QRectF r = document.element(id).rectMm;
        return horizontal ? r.width() : r.height();
    };
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](ElementId a, ElementId b) { return start(a) < start(b); });
    Values values;
    if (sorted.size() < 3)
        return values;
    double total = 0;
    for (ElementId id : sorted)
        total += extent(id);
    const double first = start(sorted.first());
    const double last = start(sorted.last()) + extent(sorted.last());
    const double gap = (last - first - total) / double(sorted.size() - 1);
    double at = first;
    for (ElementId id : sorted) {
        const ReportElement &element = document.element(id);
        if (!element.locked) {
            QRectF r = element.rectMm;
            horizontal ? r.moveLeft(at) : r.moveTop(at);
            values.insert(id, withRect(element, r));
        }
        at += extent(id) + gap;
    }
    return values;
}

Values sameSize(const DesignDocument &document, const QList<ElementId> &ids, ElementId reference,
                Qt::Orientation orientation)
{
    Values values;
    if (!document.contains(reference))
        return values;
    const QRectF target = document.element(reference).rectMm;
    for (ElementId id : unlocked(document, ids)) {
        QRectF r = document.element(id).rectMm;
        orientation == Qt::Horizontal ? r.setWidth(target.width()) : r.setHeight(target.height());
        values.insert(id, withRect(document.element(id), r));
    }
    return values;
}

Values moved(const DesignDocument &document, const QList<ElementId> &ids, QPointF deltaMm)
{
    Values values;
    for (ElementId id : unlocked(document, ids))
        values.insert(
            id, withRect(document.element(id), document.element(id).rectMm.translated(deltaMm)));
    return values;
}

bool keepsSquare(const ReportElement &element)
{
    return element.kind == ElementKind::Barcode && element.symbology == BarcodeSymbology::QrCode;
}

bool keepsProportions(const ReportElement &element)
{
    return keepsSquare(element) || (element.kind == ElementKind::Picture && element.keepAspect);
}

Values resized(const DesignDocument &document, const QList<ElementId> &ids, QSizeF deltaMm)
{
    Values values;
    for (ElementId id : unlocked(document, ids)) {
        const ReportElement &element = document.element(id);
        QRectF r = element.rectMm;
        if (keepsProportions(element) && r.width() > 0) {
            const double grow = deltaMm.width() != 0 ? deltaMm.width() : deltaMm.height();
            const double ratio = keepsSquare(element) ? 1.0 : r.height() / r.width();
            const double width = std::max(MinimumSizeMm, r.width() + grow);
            r.setSize(QSizeF(width, width * ratio));
        } else {
            r.setSize(r.size() + deltaMm);
        }
        values.insert(id, withRect(element, r));
    }
    return values;
}

QList<ReportElement> copies(const DesignDocument &document, const QList<ElementId> &ids,
                            QPointF offsetMm)
{
    QList<ReportElement> list;
    for (ElementId id : document.ids()) { // painting order kept
        if (!ids.contains(id))
            continue;
        ReportElement copy = document.element(id);
        copy.rectMm.translate(offsetMm);
        copy.locked = false;
        list.append(copy);
    }
    return list;
}

QStringList fieldsOf(const ReportElement &element)
{
    QStringList names;
    if (element.kind == ElementKind::Field)
        names.append(element.field);
    // A code's content is a text with fields, as a text element's is.
    if (element.kind == ElementKind::Text || element.kind == ElementKind::Barcode)
        names += TemplateText::names(element.text);
    for (const QList<TableCell> &row : element.cells)
        for (const TableCell &cell : row)
            names += TemplateText::names(cell.text);
    return names;
}

QList<ElementId> usesOfField(const DesignDocument &document, const QString &name)
{
    QList<ElementId> uses;
    for (ElementId id : document.ids())
        if (fieldsOf(document.element(id)).contains(name))
            uses.append(id);
    return uses;
}

Values withFieldRenamed(const DesignDocument &document, const QString &from, const QString &to)
{
    Values values;
    for (ElementId id : usesOfField(document, from)) {
        ReportElement element = document.element(id);
        if (element.kind == ElementKind::Field && element.field == from)
            element.field = to;
        element.text = TemplateText::renamed(element.text, from, to);
        for (QList<TableCell> &row : element.cells)
            for (TableCell &cell : row)
                cell.text = TemplateText::renamed(cell.text, from, to);
        values.insert(id, element);
    }
    return values;
}

std::optional<QPoint> tableCellAt(const ReportElement &table, QPointF mm)
{
    if (table.kind != ElementKind::Table || !table.rectMm.contains(mm))
        return std::nullopt;
    int row = 0, column = 0;
    for (double y = table.rectMm.top(); row < table.rowHeightsMm.size(); ++row) {
        y += table.rowHeightsMm[row];
        if (mm.y() < y)
            break;
    }
    for (double x = table.rectMm.left(); column < table.columnWidthsMm.size(); ++column) {
        x += table.columnWidthsMm[column];
        if (mm.x() < x)
            break;
    }
    if (row >= table.rowHeightsMm.size() || column >= table.columnWidthsMm.size())
        return std::nullopt;
    return QPoint(column, row);
}

QRectF tableCellRect(const ReportElement &table, int row, int column)
{
    double x = table.rectMm.left(), y = table.rectMm.top();
    for (int c = 0; c < column && c < table.columnWidthsMm.size(); ++c)
        x += table.columnWidthsMm[c];
    for (int r = 0; r < row && r < table.rowHeightsMm.size(); ++r)
        y += table.rowHeightsMm[r];
    return QRectF(x, y, table.columnWidthsMm.value(column), table.rowHeightsMm.value(row));
}

QRectF boundsOf(const QList<ReportElement> &elements)
{
    QRectF bounds;
    for (const ReportElement &element : elements)
        bounds = bounds.isNull() ? element.rectMm.normalized()
                                 : bounds.united(element.rectMm.normalized());
    return bounds;
}

void placeAt(QList<ReportElement> &elements, QPointF topLeftMm)
{
    const QPointF shift = topLeftMm - boundsOf(elements).topLeft();
    for (ReportElement &element : elements)
        element.rectMm.translate(shift);
}

QRectF onPaper(const QRectF &areaMm, const PageSetup &page)
{
    // Where it starts stays as far as it can; the size gives way.
    const double x = std::clamp(areaMm.x(), 0.0, page.pageWidthMm() - MinimumSizeMm);
    const double y = std::clamp(areaMm.y(), 0.0, page.pageHeightMm() - MinimumSizeMm);
    return QRectF(x, y, std::clamp(areaMm.width(), MinimumSizeMm, page.pageWidthMm() - x),
                  std::clamp(areaMm.height(), MinimumSizeMm, page.pageHeightMm() - y));
}

} // namespace DesignOperations
