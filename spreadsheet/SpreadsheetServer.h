#pragma once
// The spreadsheet server: opens workbooks read-only and gives their sheets, used ranges
// and typed values. Rows and columns are 1-based, as in A1 addresses.

#include "CellStore.h"
#include "CellValue.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

// The values of a range: its size and the cells that hold a value, in row-major order;
// every other cell is empty. A cell's place in the range, counted from 1 at its top-left
// cell, is (row - rowOffset, column - columnOffset): so a server can hand out its own store
// of cells without copying it.
struct RangeValues
{
    struct Entry
    {
        int row;
        int column;
        CellValue value;
    };
    int rows = 0;
    int columns = 0;
    int rowOffset = 0;
    int columnOffset = 0;
    std::shared_ptr<CellStore> cells; // none for a range without values

    // Calls visit(const CellRef &) for each cell of the range that holds a value.
    template <typename Visit> void forEach(Visit &&visit) const
    {
        if (cells)
            cells->forEach(rowOffset + 1, rowOffset + rows, columnOffset + 1,
                           columnOffset + columns, visit);
    }
    // The same, once: the memory of the cells visited is given back as the visit goes on,
    // when these values alone hold them.
    template <typename Visit> void forEachOnce(Visit &&visit)
    {
        if (cells && cells.use_count() == 1)
            cells->forEachReleasing(rowOffset + 1, rowOffset + rows, columnOffset + 1,
                                    columnOffset + columns, visit);
        else
            forEach(visit);
        cells.reset();
    }
    // The same cells as values: for small ranges.
    QList<Entry> entries() const
    {
        QList<Entry> list;
        forEach([&](const CellRef &cell) { list.append({cell.row, cell.column, cell.value()}); });
        return list;
    }
    // The rows and cells the server holds, at least as many as the range has: to size what
    // the caller fills.
    qsizetype heldRows() const { return cells ? std::min<qsizetype>(cells->rowCount(), rows) : 0; }
    qsizetype heldCells() const { return cells ? cells->cellCount() : 0; }

    template <typename Cell> int rowOf(const Cell &cell) const { return cell.row - rowOffset; }
    template <typename Cell> int columnOf(const Cell &cell) const
    {
        return cell.column - columnOffset;
    }
};
Q_DECLARE_TYPEINFO(RangeValues::Entry, Q_RELOCATABLE_TYPE);

class Worksheet
{
public:
    virtual ~Worksheet() = default;
    virtual QString name() const = 0;
    // Absolute A1 address of the smallest rectangle holding every cell with a value;
    // "$A$1" for a sheet without values.
    virtual QString usedRangeAddress() const = 0;
    // All values of a range in one call; fails with the server's error on a bad address.
    virtual RangeValues rangeValues(const QString &address) const = 0;
    // One cell's value; fails with the server's error outside the sheet.
    virtual CellValue cell(int row, int column) const = 0;
};

class Workbook
{
public:
    virtual ~Workbook() = default;
    // The sheet that was selected when the workbook was saved.
    virtual Worksheet *activeSheet() = 0;
    virtual int sheetCount() const = 0;
    virtual Worksheet *sheet(int number) = 0; // from 1
    virtual void close(bool saveChanges) = 0;
};

class SpreadsheetServer
{
public:
    virtual ~SpreadsheetServer() = default;
    // Opens a workbook read-only; the server owns it until it quits.
    virtual Workbook *openWorkbook(const QString &fileName) = 0;
    virtual void quit() = 0;
};

// Creates a new server; a failure (an exception or no server) means none is available.
using SpreadsheetServerFactory = std::function<std::unique_ptr<SpreadsheetServer>()>;
