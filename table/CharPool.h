#pragma once
// Characters kept in blocks of a fixed size: growing never copies what is stored, so a
// table filled with a million texts holds each character once, never twice while a larger
// array is made. A text lies whole in one block (a long one in a block of its own, from its
// start); its place is one 32-bit number, the block's and the character's.

#include "platform/LargeBlock.h"

#include <QStringView>

#include <memory>
#include <vector>

class CharPool
{
public:
    // Stores a copy of the text; its place for at(). Throws std::bad_alloc past 4,096
    // blocks (8 GB of text).
    quint32 store(QStringView text);
    char16_t *at(quint32 place)
    {
        return m_blocks[place >> kPlaceBits].chars() + (place & kPlaceMask);
    }
    const char16_t *at(quint32 place) const
    {
        return m_blocks[place >> kPlaceBits].chars() + (place & kPlaceMask);
    }
    // Characters stored, counting those no longer used.
    qsizetype stored() const { return m_stored; }

private:
    static constexpr int kPlaceBits = 20;
    static constexpr quint32 kPlaceMask = (1u << kPlaceBits) - 1;
    static constexpr qsizetype kBlockChars = qsizetype(1) << kPlaceBits;
    struct Block
    {
        LargeBlock memory;
        qsizetype used = 0; // characters
        char16_t *chars() const { return reinterpret_cast<char16_t *>(memory.data()); }
        qsizetype size() const { return qsizetype(memory.size() / 2); }
    };
    std::vector<Block> m_blocks;
    qsizetype m_stored = 0;
};
