#include "SheetData.h"

#include "CellAddress.h"
#include "SpreadsheetError.h"

#include <algorithm>

namespace {

bool before(const RangeValues::Entry &a, const RangeValues::Entry &b)
{
    return a.row != b.row ? a.row < b.row : a.column < b.column;
}

} // namespace

void SheetData::addCell(int row, int column, CellValue value)
{
    if (m_sorted && !m_cells.isEmpty() && !before(m_cells.constLast(), {row, column, {}}))
        m_sorted = false;
    m_cells.append({row, column, std::move(value)});
}

void SheetData::finish()
{
    if (m_sorted)
        return;
    std::stable_sort(m_cells.begin(), m_cells.end(), before);
    // Keep the last value written to each position.
    QList<RangeValues::Entry> unique;
    unique.reserve(m_cells.size());
    for (auto &entry : m_cells) {
        if (!unique.isEmpty() && unique.constLast().row == entry.row &&
            unique.constLast().column == entry.column)
            unique.last() = std::move(entry);
        else
            unique.append(std::move(entry));
    }
    m_cells = std::move(unique);
    m_sorted = true;
}

QString SheetData::usedRangeAddress() const
{
    if (m_cells.isEmpty())
        return QStringLiteral("$A$1");
    CellAddress::Range range{m_cells.constFirst().row, m_cells.constFirst().column,
                             m_cells.constLast().row, m_cells.constFirst().column};
    for (const auto &entry : m_cells) {
        range.firstColumn = std::min(range.firstColumn, entry.column);
        range.lastColumn = std::max(range.lastColumn, entry.column);
    }
    return CellAddress::absolute(range);
}

RangeValues SheetData::rangeValues(const QString &address) const
{
    const auto range = CellAddress::parseRange(address);
    if (!range)
        throw SpreadsheetError(QStringLiteral("区域地址“%1”无效").arg(address));
    RangeValues values;
    values.rows = range->lastRow - range->firstRow + 1;
    values.columns = range->lastColumn - range->firstColumn + 1;
    auto it = std::lower_bound(m_cells.begin(), m_cells.end(),
                               RangeValues::Entry{range->firstRow, range->firstColumn, {}}, before);
    for (; it != m_cells.end() && it->row <= range->lastRow; ++it) {
        if (it->column >= range->firstColumn && it->column <= range->lastColumn)
            values.entries.append({it->row - range->firstRow + 1,
                                   it->column - range->firstColumn + 1, it->value});
    }
    return values;
}

CellValue SheetData::cell(int row, int column) const
{
    if (row < 1 || column < 1 || row > 1048576 || column > 16384)
        throw SpreadsheetError(QStringLiteral("单元格位置无效（第%1行，第%2列）").arg(row).arg(column));
    const RangeValues::Entry key{row, column, {}};
    const auto it = std::lower_bound(m_cells.begin(), m_cells.end(), key, before);
    if (it != m_cells.end() && it->row == row && it->column == column)
        return it->value;
    return CellValue();
}
