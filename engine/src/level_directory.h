// The pages of one level of a B-tree in key order, held in memory so that an exact search can
// start its descent there instead of at the root: a binary search in memory takes the place of
// the levels above. Each page is listed with its upper bound: the separator of the parent entry
// that leads to it, or, for a rightmost child, the bound of its parent in turn; the last page of
// the level has none (it holds every key above the last bound). In a sound tree the bounds of a
// level, read in key order, are every separator of every page above it exactly once, ascending; a
// descent toward a key then passes the page of the first bound not below the key, which is what
// Find answers here. The tree builds it level by level downward, each level from the one above
// (btree_directory.cc), until it lists the leaves themselves.
//
// What callers may rely on:
//  - Add refuses (false) a bound that is not above the one before it under the index's
//    comparison, a bound of another length than the first one, and growth past the limits given
//    to Begin; the directory is then unusable until the next Begin.
//  - Find compares exactly as CompareKeys does, so a key between two bounds, equal to one, below
//    the first or above the last gets the page a descent through pages separated by these bounds
//    reaches. Nothing is allocated and nothing is read from any file.
//
// Memory: for n pages with bounds of k bytes, n * (k + 20) bytes (large arrays in large pages),
// kept by Begin for the next directory, laid out so that a search touches few cache lines:
//
//   ARRAY       PER PAGE   MEANING
//   prefixes_   16         the bound's first 16 sorting bytes (KeySortPrefix), searched first;
//                          only bounds whose prefix equals the key's are compared in full
//   pages_      4          the page offset
//   bounds_     k          the bounds, back to back
//   samples_    1/2        every 32nd prefix, searched before the prefixes
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "btree.h"
#include "key_layout.h"
#include "large_page_allocator.h"
#include "search_key.h"

namespace kw::engine {

class LevelDirectory {
  public:
    // Starts an empty directory for a tree compared under layout (which must outlive it), to hold
    // at most maxBytes and maxPages pages; room for expectedPages is taken at the first Add.
    void Begin(const KeyLayout &layout, size_t maxBytes, size_t maxPages, size_t expectedPages = 0);
    // Adds the next page to the right, holding the keys up to and including bound.
    bool Add(const uint8_t *bound, int32_t length, int32_t page);
    // Adds the last page, which holds every key above the last bound; the directory is complete.
    void End(int32_t page);
    // Whether End came after a Begin with no refused Add between.
    bool Complete() const { return complete_ && !refused_; }
    // Forgets everything and gives the memory back.
    void Clear();

    // The page of the first bound not below key, or the last page. Only on a complete directory.
    int32_t Find(const SearchKey &key) const;

    // Pages listed, the last one included; page i has Bound(i) (null for the last one) of
    // BoundLength() bytes.
    size_t Count() const { return pages_.size() + (complete_ ? 1 : 0); }
    int32_t Page(size_t i) const { return i < pages_.size() ? pages_[i] : last_; }
    const uint8_t *Bound(size_t i) const {
        return i < pages_.size() ? bounds_.data() + i * static_cast<size_t>(stride_) : nullptr;
    }
    int32_t BoundLength() const { return stride_; }
    // The memory filled, in bytes.
    size_t Bytes() const { return pages_.size() * PerPage(); }

  private:
    size_t PerPage() const {
        return sizeof(SortPrefix) + sizeof(int32_t) + static_cast<size_t>(stride_);
    }

    const KeyLayout *layout_ = nullptr;
    size_t maxBytes_ = 0;
    size_t maxPages_ = 0;
    size_t expectedPages_ = 0;
    int32_t stride_ = 0;     // the length of every bound (that of the first)
    bool prefixed_ = false;  // bounds have the layout's key length, so prefixes_ is filled
    bool refused_ = false;
    bool complete_ = false;
    int32_t last_ = -1;
    // Filled at once, so taken in large pages (large_page_allocator.h).
    std::vector<SortPrefix, LargePageAllocator<SortPrefix>> prefixes_;
    std::vector<int32_t, LargePageAllocator<int32_t>> pages_;
    std::vector<uint8_t, LargePageAllocator<uint8_t>> bounds_;
    // Every kSampleStride-th prefix, taken at End.
    static constexpr size_t kSampleStride = 32;
    std::vector<SortPrefix> samples_;
};

}  // namespace kw::engine
