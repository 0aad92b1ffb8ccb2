#pragma once
// A sheet's cells in row-major order, packed one after another into large blocks: a record
// of a few bytes a cell and one before each row, texts of Latin-1 letters a byte a
// character, shared texts by number. A sheet of a million rows costs tens of megabytes, not
// hundreds, and no heap string per cell; a reader done with it gives it back a block at a
// time. Every 64th row's place is noted, to find a row without reading all before it.

#include "CellValue.h"
#include "TextTable.h"
#include "platform/LargeBlock.h"

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
        return m_rowCount == 0 || row > m_lastRow ||
               (row == m_lastRow && column > m_lastColumnOfRow);
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
    qsizetype rowCount() const { return m_rowCount; }
    int firstRow() const { return m_firstRow; }
    int lastRow() const { return m_lastRow; }
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
        if (m_rowCount == 0 || top > m_lastRow || bottom < m_firstRow)
            return;
        std::vector<char16_t> scratch;
        auto noted = std::upper_bound(m_index.begin(), m_index.end(), top,
                                      [](int wanted, const RowStart &r) { return wanted < r.row; });
        Place at = placeOf(*(noted == m_index.begin() ? noted : noted - 1));
        const Place stop = end();
        CellRef cell;
        while (at != stop) {
            if (decode(at, cell, scratch)) {
                if (cell.row >= top && cell.column >= left && cell.column <= right)
                    visit(std::as_const(cell));
            } else if (cell.row > bottom) {
                return;
            } else if (release) {
                releaseBlocksBefore(at.block);
            }
        }
    }
    void releaseBlocksBefore(quint32 block);

    struct Block
    {
        LargeBlock bytes;
        quint32 used = 0;
        quint32 size() const { return quint32(bytes.size()); }
    };
    // A row's first record: its block and offset in one number, as a block holds 2 MB (a
    // record larger than that has a block of its own, from its start).
    static constexpr int kOffsetBits = 21;
    struct RowStart
    {
        int row;
        quint32 place;
    };
    struct Place
    {
        quint32 block;
        quint32 offset;
        bool operator==(const Place &) const = default;
    };
    static Place placeOf(const RowStart &start)
    {
        return {start.place >> kOffsetBits, start.place & ((1u << kOffsetBits) - 1)};
    }
    enum Code : quint8
    {
        NumberCode,
        DateCode,
        BooleanCode,
        Latin1Code,
        Utf16Code,
        ErrorCode,
        SharedCode,
        EmptyCode,
        RowCode // a row's start: its number
    };

    Place end() const
    {
        return m_blocks.empty() ? Place{0, 0}
                                : Place{quint32(m_blocks.size() - 1), m_blocks.back().used};
    }
    // Room for a record of that many bytes, after its row's record; where to write it.
    char *record(int row, int column, Code code, qsizetype payload);
    char *room(qsizetype size);
    // Reads the record at 'at' into 'cell' and moves past it: true for a cell, false for a
    // row's start (which sets the row alone).
    bool decode(Place &at, CellRef &cell, std::vector<char16_t> &scratch) const;

    std::vector<Block> m_blocks;
    std::vector<RowStart> m_index; // every 64th row's start
    std::shared_ptr<const TextTable> m_shared;
    qsizetype m_cellCount = 0;
    qsizetype m_rowCount = 0;
    int m_firstRow = 0;
    int m_lastRow = 0;
    int m_firstColumn = 0;
    int m_lastColumn = 0;
    int m_lastColumnOfRow = 0;
    quint32 m_released = 0; // blocks before this one are given back
};
