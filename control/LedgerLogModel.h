#pragma once
// Entries of a ledger's log as a table: one letter's history, given whole, or the whole log,
// read a block of rows at a time as it comes into view.

#include "ledger/LedgerTypes.h"

#include <QAbstractTableModel>
#include <QHash>

class LedgerStore;

class LedgerLogModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Id,
        Time,
        User,
        Action,
        Subject,
        Field,
        OldValue,
        NewValue,
        ColumnCount
    };

    explicit LedgerLogModel(QObject *parent = nullptr);

    void setEntries(const QList<LogEntry> &entries);
    // The whole log of 'store', as long as it is now; none empties the table.
    void setWholeLog(const LedgerStore *store);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const LogEntry *entryAt(int row) const;

    QList<LogEntry> m_entries;
    const LedgerStore *m_store = nullptr; // the whole log, when set
    int m_size = 0;
    mutable QHash<qint64, LogEntry> m_read;
    mutable QList<qint64> m_blocks; // the first id of each block read, oldest first
};
