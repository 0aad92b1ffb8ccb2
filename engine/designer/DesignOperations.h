#pragma once
// The designer's editing operations as pure functions: each gives the whole values the
// elements take, for one undo step. Locked elements never move or change size.

#include "DesignDocument.h"

#include <optional>

namespace DesignOperations {

using Values = QHash<ElementId, ReportElement>;

enum class Edge
{
    Left,
    Right,
    Top,
    Bottom,
    HorizontalCentre,
    VerticalCentre
};

// A QR code is square: its width and height change together.
bool keepsSquare(const ReportElement &element);
// Whether resizing keeps the element's proportions: a QR code, a picture that keeps them.
bool keepsProportions(const ReportElement &element);

// Aligned to the edge or centre of the elements' common bounding box.
Values aligned(const DesignDocument &document, const QList<ElementId> &ids, Edge edge);
// Equal gaps between the elements, the outermost staying where they are.
Values distributed(const DesignDocument &document, const QList<ElementId> &ids,
                   Qt::Orientation orientation);
// The width (horizontal) or height (vertical) of 'reference'.
Values sameSize(const DesignDocument &document, const QList<ElementId> &ids, ElementId reference,
                Qt::Orientation orientation);
Values moved(const DesignDocument &document, const QList<ElementId> &ids, QPointF deltaMm);
// Grows or shrinks by 'deltaMm', never below the smallest size; a picture that keeps its
// aspect grows in both directions.
Values resized(const DesignDocument &document, const QList<ElementId> &ids, QSizeF deltaMm);
// The element with a new rectangle, within the smallest size.
ReportElement withRect(const ReportElement &element, const QRectF &rectMm);
// Copies of the elements, moved by 'offsetMm' and unlocked.
QList<ReportElement> copies(const DesignDocument &document, const QList<ElementId> &ids,
                            QPointF offsetMm);

// Every element that refers to the field, and how it reads after a renaming.
Values withFieldRenamed(const DesignDocument &document, const QString &from, const QString &to);
// The elements that refer to the field.
QList<ElementId> usesOfField(const DesignDocument &document, const QString &name);
// The field names an element refers to.
QStringList fieldsOf(const ReportElement &element);

// A table's cell under a point (millimetres on the page), as {row, column}; none outside.
std::optional<QPoint> tableCellAt(const ReportElement &table, QPointF mm);
QRectF tableCellRect(const ReportElement &table, int row, int column);

// The elements moved as one so that their common box's top-left corner is at 'topLeftMm'.
void placeAt(QList<ReportElement> &elements, QPointF topLeftMm);
QRectF boundsOf(const QList<ReportElement> &elements);

// A free 回函区 kept on the paper, at least the smallest size: the template reader refuses
// one past the paper's edge.
QRectF onPaper(const QRectF &areaMm, const PageSetup &page);

// The smallest width or height of an element, in millimetres.
constexpr double MinimumSizeMm = 1.0;

} // namespace DesignOperations
