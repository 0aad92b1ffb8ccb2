#pragma once
// A worksheet read into memory: its name and the cells that hold a value.

#include "SpreadsheetServer.h"

#include <functional>

class SheetData : public Worksheet
{
public:
    explicit SheetData(const QString &name) : m_name(name) {}

    // Reads the cells when they are first asked for, not before: a workbook's other sheets
    // cost nothing. The loader adds the cells; finish() follows by itself.
    using Loader = std::function<void(SheetData &)>;
    void setLoader(Loader loader) { m_loader = std::move(loader); }
    Loader takeLoader() { return std::exchange(m_loader, {}); }

    // At most so many cells: a file that holds more than its size allows is damage, and
    // stays within memory. 0 for no bound.
    void setCellLimit(qsizetype limit) { m_cellLimit = limit; }

    // Adds a value at a 1-based position; a later value at the same place replaces it.
    void addCell(int row, int column, CellValue value);
    // Sorts the cells into row-major order once all are added.
    void finish();
    // A chart sheet has no cells: asking for its used range fails, as it does in Excel.
    void setChart(bool chart) { m_chart = chart; }

    QString name() const override { return m_name; }
    QString usedRangeAddress() const override;
    RangeValues rangeValues(const QString &address) const override;
    CellValue cell(int row, int column) const override;

private:
    void ensureLoaded() const;

    QString m_name;
    Loader m_loader;
    QList<RangeValues::Entry> m_cells;
    bool m_sorted = true;
    bool m_chart = false;
    qsizetype m_cellLimit = 0;
    int m_firstColumn = 0;
    int m_lastColumn = 0;
};
