#pragma once
// The letters to chase (待催收) as a table: those still without a reply some days after
// they left, oldest first, read again whenever the ledger or the days change.

#include "FollowUp.h"

#include <QAbstractTableModel>
#include <QDate>

class LedgerStore;

class FollowUpModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Number,
        Customer,
        SendDate,
        Age,
        SendMethod,
        Waybill,
        ColumnCount
    };

    explicit FollowUpModel(QObject *parent = nullptr);

    // Lists the letters of 'store' pending after 'days' days as of 'today'; none empties it.
    void setStore(LedgerStore *store, const QDate &today, int days);
    // The numbers of these rows, in the order of the rows given (all rows when none).
    QStringList numbers(const QList<int> &rows = {}) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<FollowUp::Pending> m_pending;
};
