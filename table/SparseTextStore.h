#pragma once
// Cell texts by position, stored only where a text is: a hash of rows, each a short
// list of its columns' texts in column order. Filling a table row by row touches the
// hash once per row, not once per cell.

#include <QHash>
#include <QList>
#include <QString>

class SparseTextStore
{
public:
    QString text(int col, int row) const;
    // The empty text removes what the cell held.
    void setText(int col, int row, const QString &text);
    // Removes every text inside the rectangle, at a cost bounded by the texts stored.
    void clear(int left, int top, int right, int bottom);
    qsizetype count() const { return m_count; }
    // Prepares for a fill of that many rows of about that many texts each.
    void reserve(qsizetype rows, int textsPerRow);

private:
    struct Cell
    {
        int col;
        QString text;
    };
    using Row = QList<Cell>;
    static qsizetype columnIndex(const Row &row, int col);

    QHash<int, Row> m_rows;
    qsizetype m_count = 0;
    int m_rowCapacity = 4;
};
