#include "TextTable.h"

#include "ReadFailure.h"

#include <QtGlobal>

#include <cstring>

char *TextTable::room(size_t bytes, bool latin1)
{
    const size_t start = m_bytes.size();
    if (start + bytes >= kLatin1)
        throw ReadFailure{ReadFailure::Damaged, QStringLiteral("共享字符串表过大")};
    m_bytes.resize(start + bytes);
    m_starts.push_back(quint32(start) | (latin1 ? kLatin1 : 0));
    return m_bytes.data() + start;
}

void TextTable::append(QStringView text)
{
    bool latin1 = true;
    for (const QChar c : text)
        latin1 = latin1 && c.unicode() <= 0xFF;
    char *at = room(size_t(text.size()) * (latin1 ? 1 : 2), latin1);
    if (latin1) {
        for (qsizetype i = 0; i < text.size(); ++i)
            at[i] = char(text[i].unicode());
    } else {
        std::memcpy(at, text.utf16(), size_t(text.size()) * 2);
    }
}

void TextTable::appendLatin1(QByteArrayView bytes)
{
    std::memcpy(room(size_t(bytes.size()), true), bytes.data(), size_t(bytes.size()));
}

void TextTable::appendUtf16LE(QByteArrayView bytes)
{
    char *at = room(size_t(bytes.size()), false);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    std::memcpy(at, bytes.data(), size_t(bytes.size()));
#else
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        at[i] = bytes[i + 1];
        at[i + 1] = bytes[i];
    }
#endif
}

QStringView TextTable::at(qsizetype index, std::vector<char16_t> &scratch) const
{
    if (index < 0 || index >= size())
        return {};
    const quint32 start = m_starts[size_t(index)];
    const size_t from = start & ~kLatin1;
    const size_t to = size_t(index) + 1 < m_starts.size()
                          ? size_t(m_starts[size_t(index) + 1] & ~kLatin1)
                          : m_bytes.size();
    if (start & kLatin1) {
        const size_t length = to - from;
        scratch.resize(length);
        for (size_t i = 0; i < length; ++i)
            scratch[i] = char16_t(uchar(m_bytes[from + i]));
        return QStringView(scratch.data(), qsizetype(length));
    }
    const size_t length = (to - from) / 2;
    if (from % 2 == 0)
        return QStringView(reinterpret_cast<const char16_t *>(m_bytes.data() + from),
                           qsizetype(length));
    // After a Latin-1 text of odd length: copied out rather than read off its place.
    scratch.resize(length);
    std::memcpy(scratch.data(), m_bytes.data() + from, length * 2);
    return QStringView(scratch.data(), qsizetype(length));
}
