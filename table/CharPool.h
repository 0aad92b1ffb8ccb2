#pragma once
// Characters kept in blocks of a fixed size: growing never copies what is stored, so a
// table filled with a million texts holds each character once, never twice while a larger
// array is made. A text lies whole in one block; its place is a single number.

#include <QStringView>

#include <memory>
#include <vector>

class CharPool
{
public:
    // Stores a copy of the text; its place for at().
    qsizetype store(QStringView text);
    char16_t *at(qsizetype place) { return m_blocks[size_t(place >> 32)].chars.get() + (place & 0xFFFFFFFF); }
    const char16_t *at(qsizetype place) const
    {
        return m_blocks[size_t(place >> 32)].chars.get() + (place & 0xFFFFFFFF);
    }
    // Characters stored, counting those no longer used.
    qsizetype stored() const { return m_stored; }

private:
    static constexpr qsizetype kBlockChars = qsizetype(1) << 20;
    struct Block
    {
        std::unique_ptr<char16_t[]> chars;
        qsizetype size = 0;
        qsizetype used = 0;
    };
    std::vector<Block> m_blocks;
    qsizetype m_stored = 0;
};
