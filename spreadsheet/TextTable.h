#pragma once
// Texts by number in one pool, as a workbook's shared strings are kept: a million names
// cost two large blocks rather than a string each, and a text of Latin-1 letters a byte a
// character.

#include "platform/LargePageAllocator.h"

#include <QByteArrayView>
#include <QStringView>

#include <algorithm>
#include <vector>

class TextTable
{
public:
    // Throws ReadFailure (damaged) past 2 GB of text: no sheet that fits in memory has it.
    void append(QStringView text);
    // The same from a file's bytes: Latin-1, one byte a character; UTF-16, little-endian.
    void appendLatin1(QByteArrayView bytes);
    void appendUtf16LE(QByteArrayView bytes);
    qsizetype size() const { return qsizetype(m_starts.size()); }
    // The text of that number, the empty text past the end as other readers show it; a
    // Latin-1 text is widened into 'scratch', so the view lasts until it next changes.
    QStringView at(qsizetype index, std::vector<char16_t> &scratch) const;
    // Room for so many more texts of about so many bytes in all, to be filled without
    // copying what is in.
    void reserve(qsizetype texts, qsizetype bytes)
    {
        m_starts.reserve(m_starts.size() + size_t(std::max<qsizetype>(texts, 0)));
        m_bytes.reserve(m_bytes.size() + size_t(std::max<qsizetype>(bytes, 0)));
    }
    // Gives back the room kept for more texts, once all are in. Mapped room never written
    // holds no memory, and copying a large pool would cost more than it gives back.
    void squeeze()
    {
        if (!Bytes::allocator_type::isMapped(m_bytes.capacity()))
            m_bytes.shrink_to_fit();
        if (!Starts::allocator_type::isMapped(m_starts.capacity()))
            m_starts.shrink_to_fit();
    }

private:
    char *room(size_t bytes, bool latin1);
    static constexpr quint32 kLatin1 = 0x80000000u; // a start's flag: one byte a character
    using Bytes = std::vector<char, LargePageAllocator<char>>;
    using Starts = std::vector<quint32, LargePageAllocator<quint32>>;
    Bytes m_bytes;
    Starts m_starts;
};
