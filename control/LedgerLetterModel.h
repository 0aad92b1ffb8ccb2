#pragma once
// The letters of a confirmation ledger as a table, one row a letter (voided ones too). The
// filter runs in the ledger and gives the ids shown; the letters themselves are read a block
// of rows at a time as they come into view, so that 100,000 letters open and scroll as
// quickly as a hundred. The kept fields are edited through the store, one change at a time.

#include "ledger/LedgerTypes.h"

#include <QAbstractTableModel>
#include <QHash>
#include <optional>

class LedgerStore;

class LedgerLetterModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The columns before the kept fields, which follow in the order of LetterField.
    enum Column
    {
        Number,
        Customer,
        CutOff,
        Amount,
        Template,
        State,
        FirstField
    };
    static constexpr int FieldEnd = FirstField + int(LetterField::ReplyTime) + 1;
    // After the kept fields: whether the address was checked, and days since the letter left.
    static constexpr int AddressChecked = FieldEnd;
    static constexpr int Age = FieldEnd + 1;
    static constexpr int ColumnCount = FieldEnd + 2;

    explicit LedgerLetterModel(QObject *parent = nullptr);

    // Lists the letters of 'store' that 'filter' lets through; none empties the table.
    void setStore(LedgerStore *store, const LetterFilter &filter = {});
    LedgerStore *store() const { return m_store; }
    // Reads the list again after changes made elsewhere (a print run, replies, checks).
    void reload();
    void setFilter(const LetterFilter &filter);
    const LetterFilter &filter() const { return m_filter; }
    // The states the filter offers, in the order a letter goes through them.
    static QStringList states();

    qint64 idAt(int row) const { return m_ids.value(row); }
    // The row showing the letter with that id, or -1.
    int rowOf(qint64 id) const { return int(m_ids.indexOf(id)); }
    // The letter of a row, read now when not yet read; none past the rows or when the
    // ledger cannot be read.
    std::optional<LedgerLetter> letterAt(int row) const;
    static std::optional<LetterField> fieldOf(int column);
    static int columnOf(LetterField field) { return FirstField + int(field); }

    // Sets a kept field of a row's letter through the store. Raises Exception, keeping
    // nothing, when the store refuses the value or cannot be written.
    void setValue(int row, LetterField field, const QString &text);
    // Raises Exception unless a row's letter may be voided: one read, not yet voided.
    void requireVoidable(int row) const;
    // Voids a row's letter, for the reason given (required).
    void voidLetter(int row, const QString &reason);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Through the guard, as the view calls it: a value refused shows in the error box and
    // the cell keeps what the ledger holds.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    // A letter was changed here; its number.
    void letterChanged(const QString &number);
    // An edit was refused (and said so in the error box); the cell keeps its value.
    void valueRefused(const QModelIndex &index);

private:
    const LedgerLetter *cached(int row) const;
    void refreshRow(int row);

    LedgerStore *m_store = nullptr;
    LetterFilter m_filter;
    QList<qint64> m_ids; // the rows shown
    mutable QHash<qint64, LedgerLetter> m_read;
    mutable QList<QList<qint64>> m_blocks; // the ids read, a block each, oldest first
    QHash<qint64, AddressCheck> m_checks;  // the last check of each letter checked, by id
    QHash<qint64, QDateTime> m_runTimes;   // by run id, for the days since a letter left
};
