#pragma once
// The picks of a selection as a table: the row, the customer, the amount, why it was
// picked and the monetary unit hit, for the selection window's preview and the recorded
// selection alike; and the picks summed by reason.

#include "ledger/SelectionTypes.h"

#include <QAbstractTableModel>

class Population;

class PickListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Row,
        Customer,
        Amount,
        Reason,
        Point,
        ColumnCount
    };

    explicit PickListModel(QObject *parent = nullptr);

    // The population must outlive the picks shown; none empties the list.
    void setPicks(const Population *population, QList<SelectionPick> picks);
    const QList<SelectionPick> &picks() const { return m_picks; }
    // "重要项目 3 行 1,200,000.00；抽样 25 行 310,000.00；共 28 行 1,510,000.00"
    QString summary() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const Population *m_population = nullptr;
    QList<SelectionPick> m_picks;
};
