#include "SparseTextStore.h"

#include <algorithm>
#include <cstring>

const SparseTextStore::Row *SparseTextStore::findRow(int row) const
{
    if (row >= 0 && row < kDirectRows)
        return qsizetype(row) < qsizetype(m_direct.size()) ? &m_direct[size_t(row)] : nullptr;
    const auto found = m_far.constFind(row);
    return found == m_far.constEnd() ? nullptr : &*found;
}

SparseTextStore::Row &SparseTextStore::rowSlot(int row)
{
    if (row >= 0 && row < kDirectRows) {
        if (qsizetype(row) >= qsizetype(m_direct.size()))
            m_direct.resize(size_t(row) + 1);
        return m_direct[size_t(row)];
    }
    return m_far[row];
}

qsizetype SparseTextStore::columnIndex(const Row &row, int col) const
{
    const auto begin = m_cells.cbegin() + row.first;
    return std::lower_bound(begin, begin + row.count, col,
                            [](const Cell &cell, int wanted) { return cell.col < wanted; }) -
           begin;
}

QStringView SparseTextStore::view(int col, int row) const
{
    const Row *found = findRow(row);
    if (!found || found->count == 0)
        return {};
    const qsizetype at = columnIndex(*found, col);
    if (at >= found->count)
        return {};
    const Cell &cell = m_cells[size_t(found->first + at)];
    if (cell.col != col)
        return {};
    return QStringView(m_chars.at(cell.offset), cell.length);
}

quint32 SparseTextStore::storeChars(QStringView text)
{
    return m_chars.store(text);
}

void SparseTextStore::removeCells(Row &row, qsizetype at, qsizetype n)
{
    if (n <= 0)
        return;
    const auto begin = m_cells.begin() + row.first;
    for (auto it = begin + at; it != begin + at + n; ++it)
        m_liveChars -= it->length;
    std::move(begin + at + n, begin + row.count, begin + at);
    row.count -= int(n);
    m_count -= n;
    if (row.count == 0) {
        m_liveCellSlots -= row.capacity;
        row = Row{};
    }
}

void SparseTextStore::makeRoom(Row &row)
{
    if (row.count < row.capacity)
        return;
    const int capacity = std::max(m_rowCapacity, row.capacity * 2);
    const qsizetype end = qsizetype(m_cells.size());
    if (row.capacity > 0 && row.first + row.capacity == end) {
        // The last block grows where it is, as a row being filled does.
        m_cells.resize(size_t(row.first + capacity));
    } else {
        m_cells.resize(size_t(end + capacity));
        std::copy_n(m_cells.begin() + row.first, row.count, m_cells.begin() + end);
        row.first = quint32(end);
    }
    m_liveCellSlots += capacity - row.capacity;
    row.capacity = capacity;
}

void SparseTextStore::setText(int col, int row, QStringView text)
{
    if (text.isEmpty()) {
        const Row *found = findRow(row);
        if (!found || found->count == 0)
            return;
        Row &slot = const_cast<Row &>(*found);
        const qsizetype at = columnIndex(slot, col);
        if (at < slot.count && m_cells[size_t(slot.first + at)].col == col) {
            removeCells(slot, at, 1);
            if (slot.count == 0 && (row < 0 || row >= kDirectRows))
                m_far.remove(row);
            compactIfWasteful();
        }
        return;
    }
    const int length = int(text.size());
    Row &slot = rowSlot(row);
    // Rows are mostly filled left to right: try the end first.
    const bool append = slot.count == 0 || m_cells[size_t(slot.first + slot.count - 1)].col < col;
    const qsizetype at = append ? slot.count : columnIndex(slot, col);
    if (at < slot.count && m_cells[size_t(slot.first + at)].col == col) {
        Cell &cell = m_cells[size_t(slot.first + at)];
        m_liveChars += length - cell.length;
        if (length <= cell.length)
            std::memcpy(m_chars.at(cell.offset), text.utf16(), size_t(length) * 2);
        else
            cell.offset = storeChars(text);
        cell.length = length;
        compactIfWasteful();
        return;
    }
    makeRoom(slot);
    const auto begin = m_cells.begin() + slot.first;
    std::move_backward(begin + at, begin + slot.count, begin + slot.count + 1);
    m_cells[size_t(slot.first + at)] = Cell{col, length, storeChars(text)};
    ++slot.count;
    ++m_count;
    m_liveChars += length;
}

void SparseTextStore::clear(int left, int top, int right, int bottom)
{
    if (m_count == 0 || left > right || top > bottom)
        return;
    auto clearRow = [&](Row &row) {
        if (row.count == 0)
            return;
        const qsizetype first = columnIndex(row, left);
        qsizetype last = first;
        while (last < row.count && m_cells[size_t(row.first + last)].col <= right)
            ++last;
        removeCells(row, first, last - first);
    };
    const qsizetype directEnd = std::min<qsizetype>(bottom, qsizetype(m_direct.size()) - 1);
    for (qsizetype row = std::max(top, 0); row <= directEnd; ++row)
        clearRow(m_direct[size_t(row)]);
    if (top < 0 || bottom >= kDirectRows) {
        for (auto it = m_far.begin(); it != m_far.end();) {
            if (it.key() >= top && it.key() <= bottom)
                clearRow(*it);
            it = it->count == 0 ? m_far.erase(it) : std::next(it);
        }
    }
    compactIfWasteful();
}

template <typename Visit> void SparseTextStore::forEachRow(Visit &&visit)
{
    for (Row &row : m_direct)
        visit(row);
    for (Row &row : m_far)
        visit(row);
}

void SparseTextStore::compactIfWasteful()
{
    if (m_count == 0) {
        // An emptied table gives its memory back.
        *this = SparseTextStore();
        return;
    }
    const bool charsWasted = m_chars.stored() > 2 * m_liveChars + 65536;
    const bool cellsWasted = qsizetype(m_cells.size()) > 2 * m_liveCellSlots + 4096;
    if (!charsWasted && !cellsWasted)
        return;
    decltype(m_cells) cells;
    CharPool chars;
    cells.reserve(size_t(m_count));
    forEachRow([&](Row &row) {
        const qsizetype first = qsizetype(cells.size());
        for (int i = 0; i < row.count; ++i) {
            const Cell &cell = m_cells[size_t(row.first + i)];
            cells.push_back({cell.col, cell.length,
                             chars.store(QStringView(m_chars.at(cell.offset), cell.length))});
        }
        row.first = quint32(first);
        row.capacity = row.count;
    });
    m_cells = std::move(cells);
    m_chars = std::move(chars);
    m_liveCellSlots = m_count;
}

void SparseTextStore::reserve(qsizetype rows, int textsPerRow)
{
    m_rowCapacity = std::clamp(textsPerRow, 1, 64);
    const qsizetype cells = rows * m_rowCapacity;
    m_cells.reserve(m_cells.size() + size_t(cells));
    if (rows < kDirectRows)
        m_direct.reserve(size_t(rows));
}
