#include "Population.h"

#include "Cents.h"
#include "ledger/PopulationHash.h"
#include "platform/Exception.h"
#include "report/LetterRows.h"
#include "report/RecordFetch.h"
#include "table/StringGridModel.h"

#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <future>
#include <vector>

namespace {

const int kFields = 4;
const int kAmountColumn = 2;
// Hashes the four fields of each row, trimmed, tab between them, a newline after each
// row. 'stop' ends it early, with no hash, when the population will not be made.
QByteArray hashRows(const StringGridModel &table, const QList<int> &rows,
                    const std::atomic<bool> *stop = nullptr)
{
    PopulationHash hash;
    for (int row : rows) {
        if (stop && stop->load(std::memory_order_relaxed))
            return QByteArray();
        QStringView fields[kFields];
        table.forEachCellInRow(row, [&](int column, QStringView text) {
            if (column < kFields)
                fields[column] = text;
        });
        hash.addRow(fields[0], fields[1], fields[2], fields[3]);
    }
    return hash.hex();
}

// Below this many rows a thread costs more than it saves.
const qsizetype kRowsForThread = 20000;

} // namespace

Population Population::fromTable(const StringGridModel &table, const RegionalSettings &settings)
{
    Population population(table);
    population.m_rows = LetterRows(table).rows();
    const QList<int> &rows = population.m_rows;
    // The hash only reads the cells the parse reads: on another core it costs the user
    // no time. Leaving early, the parse stops it and waits for it.
    std::atomic<bool> stop = false;
    std::future<QByteArray> hashing;
    if (rows.size() >= kRowsForThread)
        hashing = std::async(std::launch::async, [&] { return hashRows(table, rows, &stop); });
    const auto join = qScopeGuard([&] {
        stop = true;
        if (hashing.valid())
            hashing.wait();
    });
    population.m_cents.resize(rows.size());
    for (qsizetype position = 0; position < rows.size(); ++position) {
        const int row = rows[position];
        auto cell = [&] { return LetterRows::place(table, row, kAmountColumn); };
        double amount = 0;
        try {
            amount = RecordFetch::amount(table, row, settings);
        } catch (const EConvertError &error) {
            if (table.Cells(kAmountColumn, row).trimmed().isEmpty())
                throw EConvertError(cell() + QStringLiteral("：应收金额为空"));
            throw EConvertError(cell() + QStringLiteral("：") + error.message());
        }
        const std::optional<qint64> cents = Cents::of(amount);
        if (!cents || __builtin_add_overflow(population.m_total, *cents, &population.m_total))
            throw EConvertError(cell() + QStringLiteral("：金额超出可以抽样的范围"));
        population.m_cents[position] = *cents;
    }
    population.m_sha256 = hashing.valid() ? hashing.get() : hashRows(table, rows);
    return population;
}

QByteArray Population::sha256Of(const StringGridModel &table)
{
    return hashRows(table, LetterRows(table).rows());
}

PopulationRow Population::row(int position) const
{
    const int row = m_rows[position];
    auto text = [&](int column) { return m_table->Cells(column, row).trimmed(); };
    return {text(0), text(1), text(2), text(3), m_cents[position]};
}

QString Population::place(int position) const
{
    return LetterRows::place(*m_table, m_rows[position]);
}
