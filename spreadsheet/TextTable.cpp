#include "TextTable.h"

#include "ReadFailure.h"

#include <cstring>

void TextTable::append(QStringView text)
{
    bool latin1 = true;
    for (const QChar c : text)
        latin1 = latin1 && c.unicode() <= 0xFF;
    const size_t start = m_bytes.size();
    const size_t end = start + size_t(text.size()) * (latin1 ? 1 : 2);
    if (end >= kLatin1)
        throw ReadFailure{ReadFailure::Damaged, QStringLiteral("共享字符串表过大")};
    m_bytes.resize(end);
    if (latin1) {
        for (qsizetype i = 0; i < text.size(); ++i)
            m_bytes[start + size_t(i)] = char(text[i].unicode());
    } else {
        std::memcpy(m_bytes.data() + start, text.utf16(), size_t(text.size()) * 2);
    }
    m_starts.push_back(quint32(start) | (latin1 ? kLatin1 : 0));
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
