// An allocator for large arrays filled at once (a B-tree's level directory): a block of 1 MiB or
// more is taken in whole 2 MiB pages and the system is asked to back it with large pages. The
// first touch of each 4 KiB page of fresh memory traps into the kernel, which on some virtual
// machines costs tens of microseconds a page (filling 6.5 MB took 20 to 90 ms where it takes under
// 1 ms in 2 MiB pages); large pages also spare the searches in the array most of their address
// translation misses. Where large pages are not to be had the block is ordinary memory.
//
// What callers may rely on: the std::allocator contract (stateless, all instances equal); a
// block is freed with the memory it took, nothing else. Linux only asks (madvise); any failure of
// the request is ignored.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace kw::engine {

inline constexpr size_t kLargePageBytes = size_t{2} << 20;

template <typename T>
class LargePageAllocator {
  public:
    using value_type = T;

    LargePageAllocator() = default;
    template <typename U>
    LargePageAllocator(const LargePageAllocator<U> &) {}

    T *allocate(size_t n) {
        if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        const size_t bytes = n * sizeof(T);
        void *block = nullptr;
        if (bytes >= kLargePageBytes / 2) {
            const size_t rounded =
                (bytes + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
            block = std::aligned_alloc(kLargePageBytes, rounded);
#ifdef MADV_HUGEPAGE
            if (block) madvise(block, rounded, MADV_HUGEPAGE);
#endif
        } else {
            block = std::malloc(bytes > 0 ? bytes : 1);
        }
        if (!block) throw std::bad_alloc();
        return static_cast<T *>(block);
    }
    void deallocate(T *block, size_t) {
        std::free(block);
    }

    template <typename U>
    bool operator==(const LargePageAllocator<U> &) const {
        return true;
    }
    template <typename U>
    bool operator!=(const LargePageAllocator<U> &) const {
        return false;
    }
};

}  // namespace kw::engine
