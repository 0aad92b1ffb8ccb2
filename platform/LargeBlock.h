#pragma once
// Memory for a large block that is filled from its start: mapped for itself, in 2 MB pages
// where the system allows (one page fault for 2 MB rather than one for each 4 KB, which
// costs more than the filling), and given back to the system when freed.

#include <cstddef>

// Maps at least 'bytes' (rounded up to whole 2 MB pages, the count in *mapped) on a 2 MB
// boundary, advised to take large pages; throws std::bad_alloc when the system has no room.
char *mapLargePages(size_t bytes, size_t *mapped);

class LargeBlock
{
public:
    static constexpr size_t kPage = size_t(2) << 20;

    LargeBlock() = default;
    // Throws std::bad_alloc when the system has no room.
    explicit LargeBlock(size_t bytes);
    ~LargeBlock();
    LargeBlock(LargeBlock &&other) noexcept;
    LargeBlock &operator=(LargeBlock &&other) noexcept;
    LargeBlock(const LargeBlock &) = delete;
    LargeBlock &operator=(const LargeBlock &) = delete;

    char *data() const { return m_data; }
    size_t size() const { return m_size; }

private:
    char *m_data = nullptr;
    size_t m_size = 0;
    size_t m_mapped = 0;
};
