#include "LargeBlock.h"

#include <new>
#include <sys/mman.h>
#include <utility>

char *mapLargePages(size_t bytes, size_t *mapped)
{
    constexpr size_t kPage = LargeBlock::kPage;
    *mapped = (bytes + kPage - 1) / kPage * kPage;
    // Mapped a page larger, then trimmed to a 2 MB boundary: a large page needs one.
    const size_t reserve = *mapped + kPage;
    void *raw = mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    char *const start = static_cast<char *>(raw);
    const size_t skip = (kPage - reinterpret_cast<size_t>(start) % kPage) % kPage;
    if (skip > 0)
        munmap(start, skip);
    if (kPage - skip > 0)
        munmap(start + skip + *mapped, kPage - skip);
#ifdef MADV_HUGEPAGE
    madvise(start + skip, *mapped, MADV_HUGEPAGE);
#endif
    return start + skip;
}

LargeBlock::LargeBlock(size_t bytes) : m_size(bytes)
{
    if (bytes > 0)
        m_data = mapLargePages(bytes, &m_mapped);
}

LargeBlock::~LargeBlock()
{
    if (m_data)
        munmap(m_data, m_mapped);
}

LargeBlock::LargeBlock(LargeBlock &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_mapped(std::exchange(other.m_mapped, 0))
{
}

LargeBlock &LargeBlock::operator=(LargeBlock &&other) noexcept
{
    if (this != &other) {
        if (m_data)
            munmap(m_data, m_mapped);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapped = std::exchange(other.m_mapped, 0);
    }
    return *this;
}
