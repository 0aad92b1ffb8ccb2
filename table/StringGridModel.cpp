#include "StringGridModel.h"

#include "GridErrors.h"

#include <algorithm>

namespace {
const QString kIndexOutOfRange = QStringLiteral("Grid index out of range");
const QString kTooLarge = QStringLiteral("Grid too large for operation");
} // namespace

StringGridModel::StringGridModel(QObject *parent)
    : QObject(parent), m_widths(5, DefaultColWidth), m_heights(10, DefaultRowHeight)
{
}

void StringGridModel::checkLimit(int count) const
{
    if (count > MaxCount)
        throw EInvalidGridOperation(kTooLarge);
}

void StringGridModel::setRowCount(int count)
{
    if (count == RowCount())
        return;
    count = std::max(count, 1);
    checkLimit(count);
    if (m_fixedRows >= count)
        setFixedRows(count - 1);
    m_heights.resize(count);
    afterCountChange();
}

void StringGridModel::setColCount(int count)
{
    if (count == ColCount())
        return;
    count = std::max(count, 1);
    checkLimit(count);
    if (m_fixedCols >= count)
        setFixedCols(count - 1);
    m_widths.resize(count);
    afterCountChange();
}

void StringGridModel::afterCountChange()
{
    m_current.setX(std::min(m_current.x(), ColCount() - 1));
    m_current.setY(std::min(m_current.y(), RowCount() - 1));
    m_anchor = m_current;
    clampTopLeft();
    emit layoutChanged();
    emit selectionChanged();
}

void StringGridModel::setFixedRows(int count)
{
    if (count == m_fixedRows)
        return;
    if (count < 0)
        throw EInvalidGridOperation(kIndexOutOfRange);
    if (count >= RowCount())
        throw EInvalidGridOperation(QStringLiteral("Fixed row count must be less than row count"));
    m_fixedRows = count;
    moveToFirstNonFixed();
}

void StringGridModel::setFixedCols(int count)
{
    if (count == m_fixedCols)
        return;
    if (count < 0)
        throw EInvalidGridOperation(kIndexOutOfRange);
    if (count >= ColCount())
        throw EInvalidGridOperation(
            QStringLiteral("Fixed column count must be less than column count"));
    m_fixedCols = count;
    moveToFirstNonFixed();
}

void StringGridModel::moveToFirstNonFixed()
{
    m_current = QPoint(m_fixedCols, m_fixedRows);
    m_anchor = m_current;
    m_topLeft = m_current;
    emit layoutChanged();
    emit selectionChanged();
    emit topLeftChanged();
}

QString StringGridModel::Cells(int col, int row) const
{
    return m_texts.text(col, row);
}

void StringGridModel::setCells(int col, int row, const QString &text)
{
    m_texts.setText(col, row, text);
    emit cellChanged(col, row);
}

void StringGridModel::clearCells(int left, int top, int right, int bottom)
{
    m_texts.clear(left, top, right, bottom);
    emit layoutChanged();
}

void StringGridModel::setColWidths(int col, int width)
{
    if (col < 0 || col >= ColCount())
        throw EInvalidGridOperation(kIndexOutOfRange);
    m_widths.setSize(col, width);
    emit layoutChanged();
}

QRect StringGridModel::selection() const
{
    return QRect(m_anchor, m_current).normalized();
}

void StringGridModel::moveCurrent(int col, int row, bool extend)
{
    col = std::clamp(col, std::min(m_fixedCols, ColCount() - 1), ColCount() - 1);
    row = std::clamp(row, std::min(m_fixedRows, RowCount() - 1), RowCount() - 1);
    const QPoint target(col, row);
    if (target == m_current && (extend || m_anchor == m_current))
        return;
    m_current = target;
    if (!extend)
        m_anchor = target;
    emit selectionChanged();
}

void StringGridModel::setTopLeft(int col, int row)
{
    const QPoint before = m_topLeft;
    m_topLeft = QPoint(col, row);
    clampTopLeft();
    if (m_topLeft != before)
        emit topLeftChanged();
}

void StringGridModel::clampTopLeft()
{
    m_topLeft.setX(std::clamp(m_topLeft.x(), m_fixedCols, std::max(m_fixedCols, ColCount() - 1)));
    m_topLeft.setY(std::clamp(m_topLeft.y(), m_fixedRows, std::max(m_fixedRows, RowCount() - 1)));
}

void StringGridModel::notifyCellsChanged(int left, int top, int right, int bottom)
{
    emit OnCellsChanged(left, top, right, bottom);
}
