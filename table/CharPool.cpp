#include "CharPool.h"

#include <algorithm>
#include <cstring>
#include <new>

quint32 CharPool::store(QStringView text)
{
    const qsizetype length = text.size();
    if (m_blocks.empty() || m_blocks.back().size() - m_blocks.back().used < length) {
        if (m_blocks.size() >= (size_t(1) << (32 - kPlaceBits)))
            throw std::bad_alloc();
        const qsizetype size = std::max(kBlockChars, length); // a long text has its own block
        m_blocks.push_back({LargeBlock(size_t(size) * 2), 0});
    }
    Block &block = m_blocks.back();
    const quint32 place = (quint32(m_blocks.size() - 1) << kPlaceBits) | quint32(block.used);
    std::memcpy(block.chars() + block.used, text.utf16(), size_t(length) * 2);
    block.used += length;
    m_stored += length;
    return place;
}
