#include "SheetData.h"

#include "CellAddress.h"
#include "ReadFailure.h"
#include "SpreadsheetError.h"

#include <algorithm>

namespace {

bool before(const RangeValues::Entry &a, const RangeValues::Entry &b)
{
    return a.row != b.row ? a.row < b.row : a.column < b.column;
}

} // namespace

void SheetData::ensureLoaded() const
{
    if (!m_loader)
        return;
    auto *self = const_cast<SheetData *>(this);
    try {
        m_loader(*self);
    } catch (...) {
        // A failed read leaves nothing half-read behind; asking again fails again.
        self->m_cells.clear();
        self->m_sorted = true;
        throw;
    }
    self->m_loader = {};
    self->finish();
}

void SheetData::addCell(int row, int column, CellValue value)
{
    if (m_cellLimit > 0 && m_cells.size() >= m_cellLimit)
        throw ReadFailure{ReadFailure::Damaged,
                          QStringLiteral("工作表“%1”的单元格多于文件大小所能容纳的").arg(m_name)};
    if (m_sorted && !m_cells.isEmpty() && !before(m_cells.constLast(), {row, column, {}}))
        m_sorted = false;
    m_cells.append({row, column, std::move(value)});
}

void SheetData::finish()
{
    m_firstColumn = m_lastColumn = 0;
    if (!m_cells.isEmpty()) {
        m_firstColumn = m_cells.constFirst().column;
        for (const auto &entry : std::as_const(m_cells)) {
            m_firstColumn = std::min(m_firstColumn, entry.column);
            m_lastColumn = std::max(m_lastColumn, entry.column);
        }
    }
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
    ensureLoaded();
    if (m_chart)
        throw SpreadsheetError(QStringLiteral("工作表“%1”是图表，没有可导入的单元格").arg(m_name));
    if (m_cells.isEmpty())
        return QStringLiteral("$A$1");
    return CellAddress::absolute(
        {m_cells.constFirst().row, m_firstColumn, m_cells.constLast().row, m_lastColumn});
}

RangeValues SheetData::rangeValues(const QString &address) const
{
    ensureLoaded();
    const auto range = CellAddress::parseRange(address);
    if (!range)
        throw SpreadsheetError(QStringLiteral("区域地址“%1”无效").arg(address));
    RangeValues values;
    values.rows = range->lastRow - range->firstRow + 1;
    values.columns = range->lastColumn - range->firstColumn + 1;
    values.rowOffset = range->firstRow - 1;
    values.columnOffset = range->firstColumn - 1;
    if (m_cells.isEmpty())
        return values;
    if (range->firstRow <= m_cells.constFirst().row && range->lastRow >= m_cells.constLast().row &&
        range->firstColumn <= m_firstColumn && range->lastColumn >= m_lastColumn) {
        values.entries = m_cells; // the whole sheet: shared, not copied
        return values;
    }
    auto it = std::lower_bound(m_cells.begin(), m_cells.end(),
                               RangeValues::Entry{range->firstRow, range->firstColumn, {}}, before);
    const auto end =
        std::upper_bound(it, m_cells.end(), RangeValues::Entry{range->lastRow, 16385, {}}, before);
    values.entries.reserve(end - it);
    for (; it != end; ++it) {
        if (it->column >= range->firstColumn && it->column <= range->lastColumn)
            values.entries.append(*it);
    }
    return values;
}

CellValue SheetData::cell(int row, int column) const
{
    ensureLoaded();
    if (row < 1 || column < 1 || row > 1048576 || column > 16384)
        throw SpreadsheetError(
            QStringLiteral("单元格位置无效（第%1行，第%2列）").arg(row).arg(column));
    const RangeValues::Entry key{row, column, {}};
    const auto it = std::lower_bound(m_cells.begin(), m_cells.end(), key, before);
    if (it != m_cells.end() && it->row == row && it->column == column)
        return it->value;
    return CellValue();
}
