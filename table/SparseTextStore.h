#pragma once
// Cell texts by position, stored only where a text is. A row's cells lie side by side in
// one pool and their characters in another, so a table of a million texts costs a few
// large blocks rather than a heap string each, and is freed at once.

#include "CharPool.h"
#include "platform/LargePageAllocator.h"

#include <QHash>
#include <QString>
#include <QStringView>

#include <vector>

class SparseTextStore
{
public:
    QString text(int col, int row) const { return view(col, row).toString(); }
    // The text in place: valid until the store next changes.
    QStringView view(int col, int row) const;
    // The empty text removes what the cell held.
    void setText(int col, int row, QStringView text);
    // Removes every text inside the rectangle, at a cost bounded by the rows it spans
    // or the rows stored, whichever is fewer.
    void clear(int left, int top, int right, int bottom);
    qsizetype count() const { return m_count; }
    // Calls visit(col, text) for each text of a row, in column order; the store must not
    // change meanwhile.
    template <typename Visit> void forEachInRow(int row, Visit &&visit) const
    {
        if (const Row *found = findRow(row))
            for (qsizetype i = found->first; i < found->first + found->count; ++i) {
                const Cell &cell = m_cells[size_t(i)];
                visit(cell.col, QStringView(m_chars.at(cell.offset), cell.length));
            }
    }
    // Prepares for a fill of that many rows of about that many texts each.
    void reserve(qsizetype rows, int textsPerRow);

private:
    struct Cell
    {
        int col;
        int length;
        quint32 offset; // the place in m_chars
    };
    struct Row
    {
        quint32 first = 0; // into m_cells (fewer than 4G cells fit in memory)
        int count = 0;
        int capacity = 0;
    };
    // Rows below this are indexed directly; the rare text far below the sheet limits
    // goes to a hash, so a single distant cell cannot make the index huge.
    static constexpr int kDirectRows = 1 << 21;

    const Row *findRow(int row) const;
    Row &rowSlot(int row);
    qsizetype columnIndex(const Row &row, int col) const;
    quint32 storeChars(QStringView text);
    void removeCells(Row &row, qsizetype at, qsizetype n);
    void makeRoom(Row &row);
    void compactIfWasteful();
    template <typename Visit> void forEachRow(Visit &&visit);

    std::vector<Row, LargePageAllocator<Row>> m_direct;
    QHash<int, Row> m_far;
    std::vector<Cell, LargePageAllocator<Cell>> m_cells;
    CharPool m_chars;
    qsizetype m_count = 0;
    qsizetype m_liveChars = 0;
    qsizetype m_liveCellSlots = 0; // the capacity of every row's block
    int m_rowCapacity = 4;
};
