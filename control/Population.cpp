#include "Population.h"

#include "Cents.h"
#include "ledger/Sha256Stream.h"
#include "platform/Exception.h"
#include "report/LetterRows.h"
#include "report/RecordFetch.h"
#include "table/StringGridModel.h"

#include <string>

namespace {

const int kFields = 4;
const int kAmountColumn = 2;
// The hash is fed in blocks of about this size: large enough that each call is cheap,
// small enough to stay in the cache.
const size_t kBlock = 1 << 16;

// UTF-16 to UTF-8 into a buffer kept across rows, so that a million rows make no string
// per cell. A lone surrogate becomes U+FFFD, as QString::toUtf8 writes it.
void appendUtf8(std::string &out, QStringView text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            out += char(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        else if (QChar::isSurrogate(c))
            c = 0xFFFD;
        if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
        }
        out += char(0x80 | (c & 0x3F));
    }
}

// Hashes the four fields of each row, trimmed, tab between them, a newline after each
// row; 'each' sees every row with its amount's text as stored (empty when none).
template <typename Each>
QByteArray hashRows(const StringGridModel &table, const QList<int> &rows, Each &&each)
{
    Sha256Stream hash;
    std::string buffer;
    buffer.reserve(kBlock + 4096);
    for (int row : rows) {
        QStringView fields[kFields];
        table.forEachCellInRow(row, [&](int column, QStringView text) {
            if (column < kFields)
                fields[column] = text;
        });
        for (int column = 0; column < kFields; ++column) {
            if (column > 0)
                buffer += '\t';
            appendUtf8(buffer, fields[column].trimmed());
        }
        buffer += '\n';
        if (buffer.size() >= kBlock) {
            hash.add(QByteArrayView(buffer.data(), qsizetype(buffer.size())));
            buffer.clear();
        }
        each(row, fields[kAmountColumn]);
    }
    hash.add(QByteArrayView(buffer.data(), qsizetype(buffer.size())));
    return hash.hex();
}

} // namespace

Population Population::fromTable(const StringGridModel &table, const RegionalSettings &settings)
{
    Population population(table);
    population.m_rows = LetterRows(table).rows();
    population.m_cents.reserve(population.m_rows.size());
    population.m_sha256 = hashRows(table, population.m_rows, [&](int row, QStringView text) {
        auto cell = [&] { return LetterRows::place(table, row, kAmountColumn); };
        if (text.trimmed().isEmpty())
            throw EConvertError(cell() + QStringLiteral("：应收金额为空"));
        double amount = 0;
        try {
            amount = RecordFetch::amount(table, row, settings);
        } catch (const EConvertError &error) {
            throw EConvertError(cell() + QStringLiteral("：") + error.message());
        }
        const std::optional<qint64> cents = Cents::of(amount);
        if (!cents || __builtin_add_overflow(population.m_total, *cents, &population.m_total))
            throw EConvertError(cell() + QStringLiteral("：金额超出可以抽样的范围"));
        population.m_cents.append(*cents);
    });
    return population;
}

QByteArray Population::sha256Of(const StringGridModel &table)
{
    return hashRows(table, LetterRows(table).rows(), [](int, QStringView) {});
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
