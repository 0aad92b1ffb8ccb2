#pragma once
// A list the user fills in row by row: the first column a kind chosen from a fixed list,
// the others typed. The reconciliation dialog's reconciling items and evidence.

#include <QTableWidget>

class QComboBox;

class KindRowsTable : public QTableWidget
{
    Q_OBJECT
public:
    // 'titles' names the columns, the kind's first; 'widths' in characters of the font.
    KindRowsTable(QWidget *parent, const QStringList &kinds, const QStringList &titles,
                  const QList<int> &widths);

    // Adds a row of these texts (the kind first; a kind not in the list is added to it, so
    // that a value kept shows as it is) and makes it current.
    void addRow(const QStringList &texts);
    // Adds an empty row of the first kind and starts editing its amount.
    void addEmptyRow();
    // Takes off the current row; false when there is none.
    bool removeCurrentRow();
    // Every row's texts, the kind first.
    QList<QStringList> texts() const;
    QComboBox *kindBox(int row) const;
    // Makes the cell current and visible, its text selected for the user to correct.
    void goTo(int row, int column);

signals:
    // A text or a kind changed, or a row came or went.
    void edited();

private:
    QStringList m_kinds;
};
