#pragma once
// A worksheet read into memory: its name and the cells that hold a value.

#include "SpreadsheetServer.h"

#include <functional>

class SheetData : public Worksheet
{
public:
    explicit SheetData(const QString &name) : m_name(name) {}

    // Reads the cells when they are first asked for, not before: a workbook's other sheets
    // cost nothing. The loader adds the cells; finish() follows by itself. A sheet with a
    // loader hands its cells over to the range values it gives, and reads them again if
    // asked again.
    using Loader = std::function<void(SheetData &)>;
    void setLoader(Loader loader) { m_loader = std::move(loader); }
    Loader takeLoader() { return std::exchange(m_loader, {}); }

    // At most so many cells: a file that holds more than its size allows is damage, and
    // stays within memory. 0 for no bound.
    void setCellLimit(qsizetype limit) { m_cellLimit = limit; }

    // Adds a value at a 1-based position; a later value at the same place replaces it.
    void addCell(int row, int column, CellValue value);
    // The same for the common kinds, without making a value first.
    void addNumber(int row, int column, CellValue::Kind kind, double value);
    void addText(int row, int column, QStringView text);
    void addAscii(int row, int column, QByteArrayView text);
    // A text of the workbook's shared table, by number; the table is asked for when the
    // cells are finished (or before, for cells out of order), and may fail then.
    void addShared(int row, int column, quint32 index);
    using SharedTexts = std::function<std::shared_ptr<const TextTable>()>;
    void setSharedTexts(SharedTexts texts) { m_sharedTexts = std::move(texts); }
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
    // Whether the cell can go straight into the store; counts it against the limit.
    bool inOrder(int row, int column);
    void addOutOfOrder(int row, int column, CellValue value);

    QString m_name;
    Loader m_loader; // kept: a sheet whose cells were handed over reads them again
    bool m_loaded = false;
    SharedTexts m_sharedTexts;
    bool m_usesShared = false;
    std::shared_ptr<CellStore> m_cells = std::make_shared<CellStore>();
    // Cells once they come out of order, as some writers put them: sorted when finished.
    QList<RangeValues::Entry> m_unordered;
    bool m_ordered = true;
    bool m_chart = false;
    qsizetype m_cellLimit = 0;
    qsizetype m_cellCount = 0;
};
