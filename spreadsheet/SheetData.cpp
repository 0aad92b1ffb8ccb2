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
    if (!m_loader || m_loaded)
        return;
    auto *self = const_cast<SheetData *>(this);
    // Each reading starts afresh, the first or one after the cells were handed over.
    auto clear = [self] {
        self->m_cells = std::make_shared<CellStore>();
        self->m_unordered.clear();
        self->m_ordered = true;
        self->m_usesShared = false;
        self->m_cellCount = 0;
    };
    clear();
    try {
        m_loader(*self);
        self->finish();
    } catch (...) {
        clear(); // a failed read leaves nothing half-read behind; asking again fails again
        throw;
    }
    self->m_loaded = true;
}

bool SheetData::inOrder(int row, int column)
{
    if (m_cellLimit > 0 && m_cellCount >= m_cellLimit)
        throw ReadFailure{ReadFailure::Damaged,
                          QStringLiteral("工作表“%1”的单元格多于文件大小所能容纳的").arg(m_name)};
    ++m_cellCount;
    if (m_ordered && m_cells->follows(row, column))
        return true;
    if (m_ordered) {
        // From here on the cells are gathered as values and sorted at the end.
        m_ordered = false;
        m_cells->setSharedTexts(m_usesShared && m_sharedTexts ? m_sharedTexts() : nullptr);
        m_unordered = RangeValues{1048576, 16384, 0, 0, m_cells}.entries();
        m_cells = std::make_shared<CellStore>();
    }
    return false;
}

void SheetData::addOutOfOrder(int row, int column, CellValue value)
{
    m_unordered.append({row, column, std::move(value)});
}

void SheetData::addCell(int row, int column, CellValue value)
{
    if (inOrder(row, column))
        m_cells->add(row, column, value);
    else
        addOutOfOrder(row, column, std::move(value));
}

void SheetData::addNumber(int row, int column, CellValue::Kind kind, double value)
{
    if (inOrder(row, column))
        m_cells->addNumber(row, column, kind, value);
    else
        addOutOfOrder(row, column, {kind, value, {}});
}

void SheetData::addText(int row, int column, QStringView text)
{
    if (inOrder(row, column))
        m_cells->addText(row, column, CellValue::Text, text);
    else
        addOutOfOrder(row, column, CellValue::makeText(text.toString()));
}

void SheetData::addAscii(int row, int column, QByteArrayView text)
{
    if (inOrder(row, column))
        m_cells->addAscii(row, column, text);
    else
        addOutOfOrder(row, column, CellValue::makeText(QString::fromLatin1(text)));
}

void SheetData::addShared(int row, int column, quint32 index)
{
    m_usesShared = true;
    if (inOrder(row, column)) {
        m_cells->addShared(row, column, index);
        return;
    }
    const std::shared_ptr<const TextTable> texts = m_sharedTexts ? m_sharedTexts() : nullptr;
    std::vector<char16_t> scratch;
    addOutOfOrder(row, column,
                  CellValue::makeText(texts ? texts->at(index, scratch).toString() : QString()));
}

void SheetData::finish()
{
    if (m_usesShared) {
        // Text cells whose table could not be read (none in the file, or one in a form not
        // known, as Excel 2007's beta wrote it) would all read as empty.
        const std::shared_ptr<const TextTable> texts = m_sharedTexts ? m_sharedTexts() : nullptr;
        if (!texts || texts->size() == 0)
            damaged(QStringLiteral("工作表“%1”的文字单元格引用共享字符串表，但文件中没有可读取的"
                                   "共享字符串表，这些文字无法读取")
                        .arg(m_name));
        if (m_ordered)
            m_cells->setSharedTexts(texts);
    }
    if (m_ordered)
        return;
    std::stable_sort(m_unordered.begin(), m_unordered.end(), before);
    // Keep the last value written to each position.
    auto cells = std::make_shared<CellStore>();
    for (qsizetype i = 0; i < m_unordered.size(); ++i) {
        const RangeValues::Entry &entry = m_unordered[i];
        if (i + 1 < m_unordered.size() && m_unordered[i + 1].row == entry.row &&
            m_unordered[i + 1].column == entry.column)
            continue;
        cells->add(entry.row, entry.column, entry.value);
    }
    m_unordered = {};
    m_cells = std::move(cells);
    m_ordered = true;
}

QString SheetData::usedRangeAddress() const
{
    ensureLoaded();
    if (m_chart)
        throw SpreadsheetError(QStringLiteral("工作表“%1”是图表，没有可导入的单元格").arg(m_name));
    if (m_cells->cellCount() == 0)
        return QStringLiteral("$A$1");
    return CellAddress::absolute(
        {m_cells->firstRow(), m_cells->firstColumn(), m_cells->lastRow(), m_cells->lastColumn()});
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
    if (m_cells->cellCount() == 0)
        return values;
    auto *self = const_cast<SheetData *>(this);
    if (m_loader) {
        // Handed over, not copied or kept: the caller may give the cells' memory back as it
        // goes. The sheet is read again if asked again.
        values.cells = std::exchange(self->m_cells, std::make_shared<CellStore>());
        self->m_loaded = false;
    } else {
        values.cells = m_cells; // shared, not copied
    }
    return values;
}

CellValue SheetData::cell(int row, int column) const
{
    ensureLoaded();
    if (row < 1 || column < 1 || row > 1048576 || column > 16384)
        throw SpreadsheetError(
            QStringLiteral("单元格位置无效（第%1行，第%2列）").arg(row).arg(column));
    return m_cells->cell(row, column);
}
