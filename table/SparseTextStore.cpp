#include "SparseTextStore.h"

#include <algorithm>

qsizetype SparseTextStore::columnIndex(const Row &row, int col)
{
    return std::lower_bound(row.cbegin(), row.cend(), col,
                            [](const Cell &cell, int wanted) { return cell.col < wanted; }) -
           row.cbegin();
}

QString SparseTextStore::text(int col, int row) const
{
    const auto found = m_rows.constFind(row);
    if (found == m_rows.constEnd())
        return QString();
    const qsizetype at = columnIndex(*found, col);
    return at < found->size() && found->at(at).col == col ? found->at(at).text : QString();
}

void SparseTextStore::setText(int col, int row, const QString &text)
{
    if (text.isEmpty()) {
        const auto found = m_rows.find(row);
        if (found == m_rows.end())
            return;
        const qsizetype at = columnIndex(*found, col);
        if (at < found->size() && found->at(at).col == col) {
            found->removeAt(at);
            --m_count;
            if (found->isEmpty())
                m_rows.erase(found);
        }
        return;
    }
    Row &cells = m_rows[row];
    // Rows are mostly filled left to right: try the end first.
    if (cells.isEmpty() || cells.constLast().col < col) {
        if (cells.isEmpty())
            cells.reserve(m_rowCapacity);
        cells.append({col, text});
        ++m_count;
        return;
    }
    const qsizetype at = columnIndex(cells, col);
    if (cells.at(at).col == col) {
        cells[at].text = text;
    } else {
        cells.insert(at, {col, text});
        ++m_count;
    }
}

void SparseTextStore::clear(int left, int top, int right, int bottom)
{
    auto clearRow = [&](Row &cells) {
        const qsizetype first = columnIndex(cells, left);
        qsizetype last = first;
        while (last < cells.size() && cells.at(last).col <= right)
            ++last;
        if (last > first) {
            cells.remove(first, last - first);
            m_count -= last - first;
        }
    };
    if (qint64(bottom) - top + 1 < m_rows.size()) {
        for (int row = top; row <= bottom; ++row) {
            const auto found = m_rows.find(row);
            if (found == m_rows.end())
                continue;
            clearRow(*found);
            if (found->isEmpty())
                m_rows.erase(found);
        }
        return;
    }
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (it.key() >= top && it.key() <= bottom) {
            clearRow(*it);
            if (it->isEmpty()) {
                it = m_rows.erase(it);
                continue;
            }
        }
        ++it;
    }
}

void SparseTextStore::reserve(qsizetype rows, int textsPerRow)
{
    m_rows.reserve(m_rows.size() + rows);
    m_rowCapacity = std::clamp(textsPerRow, 1, 64);
}
