#pragma once
// The population a selection is made from: the table's rows that make letters, each with
// its book amount in cents as the letter run reads it, and a SHA-256 over the rows' four
// fields that tells whether a table is the one a selection was made from.

#include "ledger/SelectionTypes.h"
#include "platform/RegionalSettings.h"

#include <QList>

class StringGridModel;

class Population
{
public:
    // Raises Exception naming the cell of the first amount that does not parse
    // ("第5行C列：…"). The table must outlive the population.
    static Population fromTable(const StringGridModel &table, const RegionalSettings &settings);
    // The hash alone, without parsing any amount: what says whether a selection applies.
    static QByteArray sha256Of(const StringGridModel &table);

    int size() const { return int(m_rows.size()); }
    int tableRow(int position) const { return m_rows[position]; }
    qint64 cents(int position) const { return m_cents[position]; }
    PopulationRow row(int position) const;
    qint64 totalCents() const { return m_total; }
    QByteArray sha256() const { return m_sha256; } // hex
    // The sheet's name of a position's row: "第5行".
    QString place(int position) const;

private:
    explicit Population(const StringGridModel &table) : m_table(&table) {}
    const StringGridModel *m_table;
    QList<int> m_rows;     // the table's rows, by position
    QList<qint64> m_cents; // by position
    qint64 m_total = 0;
    QByteArray m_sha256;
};
