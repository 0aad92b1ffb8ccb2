#include "SizeList.h"

void SizeList::resize(int count)
{
    m_custom.erase(m_custom.lower_bound(count), m_custom.end());
    m_count = count;
}

int SizeList::size(int index) const
{
    const auto it = m_custom.find(index);
    return it == m_custom.end() ? m_default : it->second;
}

void SizeList::setSize(int index, int size)
{
    if (size == m_default)
        m_custom.erase(index);
    else
        m_custom[index] = size;
}

long long SizeList::span(int from, int to) const
{
    if (to <= from)
        return 0;
    long long total = static_cast<long long>(to - from) * m_default;
    for (auto it = m_custom.lower_bound(from); it != m_custom.end() && it->first < to; ++it)
        total += it->second - m_default;
    return total;
}
