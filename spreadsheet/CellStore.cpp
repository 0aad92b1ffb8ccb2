#include "CellStore.h"

#include <cstring>
#include <new>

namespace {

constexpr quint32 kBlockSize = LargeBlock::kPage; // as kOffsetBits says
constexpr qsizetype kHeader = 4;                  // column (16 bits), code, a spare byte

qsizetype even(qsizetype bytes)
{
    return (bytes + 1) & ~qsizetype(1);
}

bool isLatin1(QStringView text)
{
    for (const QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

} // namespace

char *CellStore::room(qsizetype size)
{
    size = even(size);
    if (m_blocks.empty() || m_blocks.back().size() - m_blocks.back().used < size) {
        if (m_blocks.size() >= (size_t(1) << (32 - kOffsetBits)))
            throw std::bad_alloc(); // 4 GB of cells
        // A text longer than a block has a block of its own size.
        const quint32 blockSize = std::max<quint32>(kBlockSize, quint32(size));
        m_blocks.push_back({LargeBlock(blockSize), 0});
    }
    Block &block = m_blocks.back();
    char *at = block.bytes.data() + block.used;
    block.used += quint32(size);
    return at;
}

char *CellStore::record(int row, int column, Code code, qsizetype payload)
{
    if (m_rowCount == 0 || row != m_lastRow) {
        char *mark = room(kHeader + 4);
        const Block &block = m_blocks.back();
        if (m_rowCount % 64 == 0)
            m_index.push_back({row, (quint32(m_blocks.size() - 1) << kOffsetBits) |
                                        quint32(mark - block.bytes.data())});
        std::memset(mark, 0, kHeader);
        mark[2] = char(RowCode);
        std::memcpy(mark + kHeader, &row, 4);
        if (m_rowCount == 0)
            m_firstRow = row;
        m_lastRow = row;
        ++m_rowCount;
        m_lastColumnOfRow = 0;
    }
    if (m_cellCount == 0 || column < m_firstColumn)
        m_firstColumn = column;
    m_lastColumn = std::max(m_lastColumn, column);
    m_lastColumnOfRow = column;
    ++m_cellCount;
    char *at = room(kHeader + payload);
    const quint16 column16 = quint16(column);
    std::memcpy(at, &column16, 2);
    at[2] = char(code);
    at[3] = 0;
    return at + kHeader;
}

void CellStore::addNumber(int row, int column, CellValue::Kind kind, double value)
{
    const Code code = kind == CellValue::Date      ? DateCode
                      : kind == CellValue::Boolean ? BooleanCode
                                                   : NumberCode;
    std::memcpy(record(row, column, code, sizeof value), &value, sizeof value);
}

void CellStore::addText(int row, int column, CellValue::Kind kind, QStringView text)
{
    const quint32 length = quint32(text.size());
    if (kind == CellValue::Text && isLatin1(text)) {
        char *at = record(row, column, Latin1Code, 4 + length);
        std::memcpy(at, &length, 4);
        for (quint32 i = 0; i < length; ++i)
            at[4 + i] = char(text[i].unicode());
        return;
    }
    char *at = record(row, column, kind == CellValue::Error ? ErrorCode : Utf16Code,
                      4 + qsizetype(length) * 2);
    std::memcpy(at, &length, 4);
    std::memcpy(at + 4, text.utf16(), size_t(length) * 2);
}

void CellStore::addAscii(int row, int column, QByteArrayView text)
{
    const quint32 length = quint32(text.size());
    char *at = record(row, column, Latin1Code, 4 + length);
    std::memcpy(at, &length, 4);
    std::memcpy(at + 4, text.data(), length);
}

void CellStore::addShared(int row, int column, quint32 index)
{
    std::memcpy(record(row, column, SharedCode, 4), &index, 4);
}

void CellStore::add(int row, int column, const CellValue &value)
{
    switch (value.kind) {
    case CellValue::Text:
    case CellValue::Error:
        addText(row, column, value.kind, value.text);
        break;
    case CellValue::Number:
    case CellValue::Date:
    case CellValue::Boolean:
        addNumber(row, column, value.kind, value.number);
        break;
    case CellValue::Empty:
        record(row, column, EmptyCode, 0);
        break;
    }
}

bool CellStore::decode(Place &at, CellRef &cell, std::vector<char16_t> &scratch) const
{
    const Block &block = m_blocks[at.block];
    const char *const record = block.bytes.data() + at.offset;
    quint16 column = 0;
    std::memcpy(&column, record, 2);
    cell.column = column;
    const char *payload = record + kHeader;
    qsizetype size = kHeader;
    quint32 value32 = 0;
    switch (Code(record[2])) {
    case RowCode:
        std::memcpy(&cell.row, payload, 4);
        size += 4;
        break;
    case NumberCode:
    case DateCode:
    case BooleanCode:
        cell.kind = record[2] == DateCode      ? CellValue::Date
                    : record[2] == BooleanCode ? CellValue::Boolean
                                               : CellValue::Number;
        std::memcpy(&cell.number, payload, sizeof cell.number);
        cell.text = {};
        size += sizeof cell.number;
        break;
    case Latin1Code:
        std::memcpy(&value32, payload, 4);
        scratch.resize(value32);
        for (quint32 i = 0; i < value32; ++i)
            scratch[i] = char16_t(uchar(payload[4 + i]));
        cell.kind = CellValue::Text;
        cell.text = QStringView(scratch.data(), qsizetype(value32));
        size += 4 + value32;
        break;
    case Utf16Code:
    case ErrorCode:
        std::memcpy(&value32, payload, 4);
        cell.kind = record[2] == ErrorCode ? CellValue::Error : CellValue::Text;
        cell.text =
            QStringView(reinterpret_cast<const char16_t *>(payload + 4), qsizetype(value32));
        size += 4 + qsizetype(value32) * 2;
        break;
    case EmptyCode:
        cell.kind = CellValue::Empty;
        cell.text = {};
        break;
    case SharedCode:
        std::memcpy(&value32, payload, 4);
        cell.kind = CellValue::Text;
        cell.text = m_shared ? m_shared->at(value32, scratch) : QStringView();
        size += 4;
        break;
    }
    if (cell.kind == CellValue::Text || cell.kind == CellValue::Error ||
        cell.kind == CellValue::Empty)
        cell.number = 0;
    at.offset += quint32(even(size));
    if (at.offset == block.used && at.block + 1 < m_blocks.size())
        at = {at.block + 1, 0};
    return record[2] != RowCode;
}

CellValue CellStore::cell(int row, int column) const
{
    CellValue value;
    forEach(row, row, column, column, [&](const CellRef &found) { value = found.value(); });
    return value;
}

void CellStore::releaseBlocksBefore(quint32 block)
{
    for (; m_released < block && m_released < m_blocks.size(); ++m_released)
        m_blocks[m_released].bytes = LargeBlock();
}
