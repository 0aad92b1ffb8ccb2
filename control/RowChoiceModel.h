#pragma once
// Rows of a population the user ticks to pick them by hand: the credit and zero balances
// for the auditor to decide on, or every row for a manual selection. Ticks are kept by
// position whichever rows are listed, so that switching the listing loses none. A model,
// not widgets per row: a manual selection lists tens of thousands.

#include <QAbstractTableModel>
#include <QSet>

class Population;

class RowChoiceModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Row, // ticked here
        Customer,
        Amount,
        ColumnCount
    };

    explicit RowChoiceModel(QObject *parent = nullptr);

    // Lists these positions of 'population' (which must outlive them), ticks kept; a new
    // population clears the ticks.
    void setRows(const Population *population, QList<int> positions);
    // Every position of the population, without a list of them made.
    void setAllRows(const Population *population);
    // The ticked positions listed now, ascending.
    QList<int> checked() const;
    void setChecked(int position, bool checked);
    void clearChecks();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    int positionAt(int row) const { return m_all ? row : m_positions[row]; }
    void reset(const Population *population);

    const Population *m_population = nullptr;
    QList<int> m_positions;
    bool m_all = false;
    QSet<int> m_checked;
};
