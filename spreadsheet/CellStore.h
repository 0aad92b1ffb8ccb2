#pragma once
// A sheet's cells in row-major order, packed one after another into large blocks: a record
// of a few bytes a cell, texts of Latin-1 letters a byte a character, shared texts by
// number. A sheet of a million rows costs tens of megabytes, not hundreds, and no heap
// string per cell; freeing it gives whole blocks back at once.

#include "CellValue.h"
#include "TextTable.h"

#include <QStringView>

#include <algorithm>
#include <memory>
#include <vector>

// A cell as a visit sees it: its text is valid during the visit alone.
struct CellRef
{
    int row = 0;
    int column = 0;
    CellValue::Kind kind = CellValue::Empty;
    double number = 0; // Number; Date as an automation date; Boolean as 0 or 1
    QStringView text;  // Text; Error as its code

    CellValue value() const { return {kind, number, text.toString()}; }
};

class CellStore
{
public:
    CellStore() = default;
    CellStore(const CellStore &) = delete;
    CellStore &operator=(const CellStore &) = delete;

    // Whether a cell at that place comes after every cell added so far.
    bool follows(int row, int column) const
    {
        return m_rows.empty() || row > m_rows.back().row ||
               (row == m_rows.back().row && column > m_lastColumnOfRow);
    }
    // Adds a cell after every cell added so far (see follows()).
    void addNumber(int row, int column, CellValue::Kind kind, double value);
    void addText(int row, int column, CellValue::Kind kind, QStringView text);
    // ASCII text, stored as it is.
    void addAscii(int row, int column, QByteArrayView text);
    // A shared text by its number in the table set below.
    void addShared(int row, int column, quint32 index);
    void add(int row, int column, const CellValue &value);
    void setSharedTexts(std::shared_ptr<const TextTable> texts) { m_shared = std::move(texts); }

    qsizetype cellCount() const { return m_cellCount; }
    qsizetype rowCount() const { return qsizetype(m_rows.size()); }
    int firstRow() const { return m_rows.empty() ? 0 : m_rows.front().row; }
    int lastRow() const { return m_rows.empty() ? 0 : m_rows.back().row; }
    int firstColumn() const { return m_firstColumn; }
    int lastColumn() const { return m_lastColumn; }

    // Calls visit(const CellRef &) for each cell inside the rectangle, in row-major order.
    template <typename Visit>
    void forEach(int top, int bottom, int left, int right, Visit &&visit) const
    {
        const_cast<CellStore *>(this)->visitRows(top, bottom, left, right, visit, false);
    }
    // The same, giving each block back once its rows are visited: the store is spent.
    template <typename Visit>
    void forEachReleasing(int top, int bottom, int left, int right, Visit &&visit)
    {
        visitRows(top, bottom, left, right, visit, true);
    }
    // One cell's value; empty where no cell is.
    CellValue cell(int row, int column) const;

private:
    template <typename Visit>
    void visitRows(int top, int bottom, int left, int right, Visit &visit, bool release)
    {
        std::vector<char16_t> scratch;
        auto row = std::lower_bound(m_rows.begin(), m_rows.end(), top,
                                    [](const RowStart &r, int wanted) { return r.row < wanted; });
        for (; row != m_rows.end() && row->row <= bottom; ++row) {
            Place at{row->block, row->offset};
            const Place stop = row + 1 == m_rows.end() ? end() : Place{row[1].block, row[1].offset};
            CellRef cell;
            cell.row = row->row;
            while (at != stop) {
                at = decode(at, cell, scratch);
                if (cell.column >= left && cell.column <= right)
                    visit(std::as_const(cell));
            }
            if (release)
                releaseBlocksBefore(stop.block);
        }
    }
    void releaseBlocksBefore(quint32 block);

    struct Block
    {
        std::unique_ptr<char[]> bytes;
        quint32 size = 0;
        quint32 used = 0;
    };
    struct RowStart
    {
        int row;
        quint32 block;
        quint32 offset;
    };
    struct Place
    {
        quint32 block;
        quint32 offset;
        bool operator==(const Place &) const = default;
    };
    enum Code : quint8
    {
        NumberCode,
        DateCode,
        BooleanCode,
        Latin1Code,
        Utf16Code,
        ErrorCode,
        SharedCode,
        EmptyCode
    };

    Place end() const
    {
        return m_blocks.empty() ? Place{0, 0}
                                : Place{quint32(m_blocks.size() - 1), m_blocks.back().used};
    }
    // Room for a record of that many bytes, after its place is noted; where to write it.
    char *record(int row, int column, Code code, qsizetype payload);
    Place decode(Place at, CellRef &cell, std::vector<char16_t> &scratch) const;

    std::vector<Block> m_blocks;
    std::vector<RowStart> m_rows;
    std::shared_ptr<const TextTable> m_shared;
    qsizetype m_cellCount = 0;
    int m_firstColumn = 0;
    int m_lastColumn = 0;
    int m_lastColumnOfRow = 0;
    quint32 m_released = 0; // blocks before this one are given back
};
