#include "StringGridAccessible.h"

#include "StringGridModel.h"
#include "StringGridView.h"

#include <QPointer>

namespace {

// One cell, or a column title (row -1), of the accessible table.
class GridCell : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    GridCell(StringGridView *view, int row, int column) : m_view(view), m_row(row), m_column(column)
    {
    }

    bool isValid() const override
    {
        return m_view && m_row < accessibleTable()->rowCount() &&
               m_column < accessibleTable()->columnCount();
    }
    QObject *object() const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_view);
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name && kind != QAccessible::Value)
            return QString();
        return m_view ? m_view->model()->Cells(m_column, modelRow()) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {} // the grid is read-only
    QRect rect() const override
    {
        if (!m_view)
            return QRect();
        const QRect inViewport = m_view->cellRect(m_column, modelRow());
        return inViewport.isEmpty() ? QRect()
                                    : QRect(m_view->viewport()->mapToGlobal(inViewport.topLeft()),
                                            inViewport.size());
    }
    QAccessible::Role role() const override
    {
        return m_row < 0 ? QAccessible::ColumnHeader : QAccessible::Cell;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!m_view)
            return state;
        state.readOnly = true;
        if (m_row >= 0) {
            state.selectable = true;
            state.focusable = true;
            state.selected = isSelected();
            const QPoint current = m_view->model()->currentCell();
            state.focused = m_view->hasFocus() && current == QPoint(m_column, modelRow());
        }
        state.invisible = rect().isEmpty();
        return state;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface *>(this)
                   : nullptr;
    }

    bool isSelected() const override
    {
        return m_view && m_row >= 0 &&
               m_view->model()->selection().contains(QPoint(m_column, modelRow()));
    }
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        return {accessibleTable()->cell(-1, m_column)};
    }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return accessibleTable(); }

private:
    int modelRow() const { return m_row + 1; }
    StringGridAccessible *accessibleTable() const
    {
        return static_cast<StringGridAccessible *>(QAccessible::queryAccessibleInterface(m_view));
    }
    QPointer<StringGridView> m_view;
    int m_row;
    int m_column;
};

} // namespace

StringGridAccessible::StringGridAccessible(StringGridView *view)
    : QAccessibleWidget(view, QAccessible::Table)
{
}

StringGridAccessible::~StringGridAccessible()
{
    forgetCells();
}

QAccessibleInterface *StringGridAccessible::create(const QString &className, QObject *object)
{
    if (className == QLatin1String("StringGridView") && object && object->isWidgetType())
        return new StringGridAccessible(static_cast<StringGridView *>(object));
    return nullptr;
}

StringGridView *StringGridAccessible::view() const
{
    return static_cast<StringGridView *>(widget());
}

void *StringGridAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

int StringGridAccessible::rowCount() const
{
    return std::max(0, view()->model()->RowCount() - 1);
}

int StringGridAccessible::columnCount() const
{
    return view()->model()->ColCount();
}

QString StringGridAccessible::columnDescription(int column) const
{
    return view()->model()->Cells(column, 0);
}

QString StringGridAccessible::rowDescription(int row) const
{
    // The row's mark (a selection's reason, say) is heard with its number.
    const QString mark = view()->rowMark(row + 1);
    return mark.isEmpty() ? QString::number(row + 1)
                          : QStringLiteral("%1 %2").arg(row + 1).arg(mark);
}

// Children: the column titles first, then the cells row by row.
int StringGridAccessible::childCount() const
{
    return columnCount() * (rowCount() + 1);
}

QAccessibleInterface *StringGridAccessible::child(int index) const
{
    const int columns = columnCount();
    if (index < 0 || columns == 0 || index >= childCount())
        return nullptr;
    return cell(index / columns - 1, index % columns);
}

int StringGridAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    auto *cellInterface = const_cast<QAccessibleInterface *>(child)->tableCellInterface();
    if (!cellInterface)
        return -1;
    return (cellInterface->rowIndex() + 1) * columnCount() + cellInterface->columnIndex();
}

QAccessibleInterface *StringGridAccessible::cellAt(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    return cell(row, column);
}

QAccessibleInterface *StringGridAccessible::cell(int row, int column) const
{
    const QPoint key(column, row);
    if (const auto found = m_cells.constFind(key); found != m_cells.constEnd())
        if (QAccessibleInterface *known = QAccessible::accessibleInterface(*found))
            return known;
    QAccessibleInterface *made = new GridCell(view(), row, column);
    m_cells.insert(key, QAccessible::registerAccessibleInterface(made));
    return made;
}

QAccessibleInterface *StringGridAccessible::focusChild() const
{
    const QPoint current = view()->model()->currentCell();
    return current.y() >= 1 ? cellAt(current.y() - 1, current.x()) : nullptr;
}

int StringGridAccessible::selectedCellCount() const
{
    const QRect selection = view()->model()->selection();
    return selection.isValid() ? selection.width() * selection.height() : 0;
}

QList<QAccessibleInterface *> StringGridAccessible::selectedCells() const
{
    QList<QAccessibleInterface *> cells;
    const QRect selection = view()->model()->selection();
    // A whole column of a million rows is not listed cell by cell.
    if (!selection.isValid() || qint64(selection.width()) * selection.height() > 10000)
        return cells;
    for (int row = selection.top(); row <= selection.bottom(); ++row)
        for (int column = selection.left(); column <= selection.right(); ++column)
            if (QAccessibleInterface *one = cellAt(row - 1, column))
                cells.append(one);
    return cells;
}

void StringGridAccessible::modelChange(QAccessibleTableModelChangeEvent *)
{
    forgetCells();
}

void StringGridAccessible::forgetCells()
{
    for (const QAccessible::Id id : std::as_const(m_cells))
        if (QAccessible::accessibleInterface(id))
            QAccessible::deleteAccessibleInterface(id);
    m_cells.clear();
}
