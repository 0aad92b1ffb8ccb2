#include "Population.h"

#include "Cents.h"
#include "ledger/Sha256Stream.h"
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
// The hash is fed in blocks of about this size: large enough that each call is cheap,
// small enough to stay in the cache.
const size_t kBlock = 1 << 16;

// UTF-16 to UTF-8, at 'out', which has room for three bytes a character. A lone
// surrogate becomes U+FFFD, as QString::toUtf8 writes it.
char *writeUtf8(char *out, QStringView text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            *out++ = char(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        else if (QChar::isSurrogate(c))
            c = 0xFFFD;
        if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
        } else {
            *out++ = char(0xF0 | (c >> 18));
            *out++ = char(0x80 | ((c >> 12) & 0x3F));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
        }
        *out++ = char(0x80 | (c & 0x3F));
    }
    return out;
}

// The rows' bytes gathered into blocks for the hash, so that a million rows make no
// string per cell and few calls into it.
class RowBytes
{
public:
    RowBytes() : m_bytes(kBlock) {}
    void add(const QStringView (&fields)[kFields])
    {
        size_t most = kFields; // the tabs and the newline
        for (QStringView field : fields)
            most += 3 * size_t(field.size());
        if (m_used + most > m_bytes.size()) {
            flush();
            m_bytes.resize(std::max(m_bytes.size(), most));
        }
        char *out = m_bytes.data() + m_used;
        for (int column = 0; column < kFields; ++column) {
            out = writeUtf8(out, fields[column]);
            *out++ = column + 1 < kFields ? '\t' : '\n';
        }
        m_used = size_t(out - m_bytes.data());
    }
    QByteArray hex()
    {
        flush();
        return m_hash.hex();
    }

private:
    void flush()
    {
        m_hash.add(QByteArrayView(m_bytes.data(), qsizetype(m_used)));
        m_used = 0;
    }
    Sha256Stream m_hash;
    std::vector<char> m_bytes;
    size_t m_used = 0;
};

// Most cells have nothing to trim: seeing that inline saves a call per cell.
QStringView trimmed(QStringView text)
{
    if (text.isEmpty() || (!text.front().isSpace() && !text.back().isSpace()))
        return text;
    return text.trimmed();
}

// Hashes the four fields of each row, trimmed, tab between them, a newline after each
// row. 'stop' ends it early, with no hash, when the population will not be made.
QByteArray hashRows(const StringGridModel &table, const QList<int> &rows,
                    const std::atomic<bool> *stop = nullptr)
{
    RowBytes bytes;
    for (int row : rows) {
        if (stop && stop->load(std::memory_order_relaxed))
            return QByteArray();
        QStringView fields[kFields];
        table.forEachCellInRow(row, [&](int column, QStringView text) {
            if (column < kFields)
                fields[column] = text;
        });
        for (QStringView &field : fields)
            field = trimmed(field);
        bytes.add(fields);
    }
    return bytes.hex();
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
