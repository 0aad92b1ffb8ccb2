#pragma once
// An allocator for vectors that grow large: from a size on, their storage is mapped in
// 2 MB pages (one page fault where 4 KB pages take hundreds, and each costs more than
// filling the page) and goes back to the system when freed. Elements are default-
// initialised: a vector of plain numbers grows without being zeroed first, since every
// element is written before it is read.

#include "LargeBlock.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <sys/mman.h>
#include <utility>

template <typename T> class LargePageAllocator
{
public:
    using value_type = T;
    // Below this, the heap's own pages are cheaper than a large page's clearing.
    static constexpr size_t kMappedFrom = size_t(512) << 10;

    LargePageAllocator() noexcept = default;
    template <typename U> LargePageAllocator(const LargePageAllocator<U> &) noexcept {}

    T *allocate(size_t n)
    {
        const size_t bytes = n * sizeof(T);
        if (bytes >= kMappedFrom) {
            size_t mapped = 0;
            return reinterpret_cast<T *>(mapLargePages(bytes, &mapped));
        }
        if (void *p = std::malloc(bytes == 0 ? 1 : bytes))
            return static_cast<T *>(p);
        throw std::bad_alloc();
    }
    void deallocate(T *p, size_t n) noexcept
    {
        const size_t bytes = n * sizeof(T);
        if (bytes >= kMappedFrom)
            munmap(p, (bytes + LargeBlock::kPage - 1) / LargeBlock::kPage * LargeBlock::kPage);
        else
            std::free(p);
    }
    // True when storage of n elements is mapped, so that room never written costs nothing.
    static bool isMapped(size_t n) { return n * sizeof(T) >= kMappedFrom; }

    template <typename U> void construct(U *p) noexcept(noexcept(::new (static_cast<void *>(p)) U))
    {
        ::new (static_cast<void *>(p)) U;
    }
    template <typename U, typename... Args> void construct(U *p, Args &&...args)
    {
        ::new (static_cast<void *>(p)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const LargePageAllocator &, const LargePageAllocator &) { return true; }
};
