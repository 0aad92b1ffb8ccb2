#pragma once
// The receivables table: dimensions, fixed rows and columns, a sparse store of cell
// texts, column widths and row heights, and the current cell and selection.

#include "SizeList.h"
#include "SparseTextStore.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

class StringGridModel : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxCount = 134217725;
    static constexpr int DefaultColWidth = 64;
    static constexpr int DefaultRowHeight = 21;

    explicit StringGridModel(QObject *parent = nullptr);

    int ColCount() const { return m_widths.count(); }
    int RowCount() const { return m_heights.count(); }
    int FixedCols() const { return m_fixedCols; }
    int FixedRows() const { return m_fixedRows; }
    void setColCount(int count);
    void setRowCount(int count);
    void setFixedCols(int count);
    void setFixedRows(int count);

    // Texts are kept for any position, inside the counts or not.
    QString Cells(int col, int row) const;
    // The text in place, without a copy: valid until the table next changes.
    // Calls visit(col, text) for each stored text of a row, in column order, whether inside
    // the counts or not; an empty cell is skipped.
    template <typename Visit> void forEachCellInRow(int row, Visit &&visit) const
    {
        m_texts.forEachInRow(row, std::forward<Visit>(visit));
    }
    void setCells(int col, int row, const QString &text);
    // Stores a text without announcing it, for a bulk fill that ends with
    // notifyCellsChanged: an import of a million cells repaints once, not per cell.
    void fillCell(int col, int row, QStringView text) { m_texts.setText(col, row, text); }
    // Empties every stored text inside the rectangle at once; costs nothing for empty cells.
    void clearCells(int left, int top, int right, int bottom);
    qsizetype storedTextCount() const { return m_texts.count(); }
    // Prepares the store for a fill of that many rows of about that many texts each.
    void reserveTexts(qsizetype rows, int textsPerRow) { m_texts.reserve(rows, textsPerRow); }

    int ColWidths(int col) const { return m_widths.size(col); }
    void setColWidths(int col, int width);
    int RowHeights(int row) const { return m_heights.size(row); }
    const SizeList &colWidthList() const { return m_widths; }
    const SizeList &rowHeightList() const { return m_heights; }

    // Current cell, selection anchor and first scrolled (top-left) cell, as (col, row).
    QPoint currentCell() const { return m_current; }
    QPoint anchor() const { return m_anchor; }
    QPoint topLeft() const { return m_topLeft; }
    // The selected rectangle spanned by the anchor and the current cell.
    QRect selection() const;
    // Moves the current cell, kept among the non-fixed cells; 'extend' keeps the anchor.
    void moveCurrent(int col, int row, bool extend);
    void setTopLeft(int col, int row);

    // Raised by the import when it has filled the table.
    void notifyCellsChanged(int left, int top, int right, int bottom);

    // Where cell (0, 0) came from in the sheet the table was imported from, as 1-based
    // (column, row), so that messages can name the cell the user sees in the workbook.
    QPoint sheetOrigin() const { return m_sheetOrigin; }
    void setSheetOrigin(QPoint origin) { m_sheetOrigin = origin; }

signals:
    void cellChanged(int col, int row);
    void layoutChanged(); // counts, fixed counts or sizes
    void selectionChanged();
    void topLeftChanged();
    void OnCellsChanged(int left, int top, int right, int bottom);

private:
    void checkLimit(int count) const;
    void afterCountChange();
    void moveToFirstNonFixed();
    void clampTopLeft();

    SizeList m_widths;
    SizeList m_heights;
    int m_fixedCols = 1;
    int m_fixedRows = 1;
    SparseTextStore m_texts;
    QPoint m_current{1, 1};
    QPoint m_anchor{1, 1};
    QPoint m_topLeft{1, 1};
    QPoint m_sheetOrigin{1, 1};
};
