// An ordered map from file offsets to buffer numbers, for the block cache's index of buffer ranges
// by the offset where each range starts. It answers the same questions an ordered tree would
// (exact key, the next key at or after an offset, the last key before one) but keeps its keys in
// short sorted arrays ("chunks") of at most kChunk entries, listed in key order with their first
// keys side by side, so a search reads a few contiguous cache lines instead of chasing a dozen
// scattered tree nodes.
//
// What callers may rely on:
//  - a search is two binary searches (chunk firsts, then one chunk); Insert and Erase move at
//    most one chunk's entries and, on a split or merge, the short list of chunks;
//  - never allocates after construction while the caller keeps at most maxEntries entries: two
//    neighbouring chunks always hold at least kChunk / 2 entries together (emptier neighbours
//    are merged), which bounds the chunks in use, and that many are made up front;
//  - keys are any int64 values; values are any int32 other than kNone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kw::engine {

class RangeIndex {
  public:
    static constexpr int32_t kNone = -1;
    static constexpr int32_t kChunk = 64;

    struct Entry {
        int64_t key = 0;
        int32_t value = kNone;  // kNone: there is no such entry
    };

    // Throws std::bad_alloc when memory for the chunks runs out.
    explicit RangeIndex(int32_t maxEntries);

    // key must not be present.
    void Insert(int64_t key, int32_t value);
    // key must be present.
    void Erase(int64_t key);
    // The value held for key, or kNone.
    int32_t Get(int64_t key) const;
    // The entry with the least key at or after key.
    Entry AtOrAfter(int64_t key) const;
    // The entry with the greatest key before key.
    Entry Before(int64_t key) const;
    // Both of the above with one search.
    void Around(int64_t key, Entry *before, Entry *atOrAfter) const;
    int32_t Size() const { return size_; }

  private:
    struct Chunk {
        int32_t count = 0;
        int64_t keys[kChunk];
        int32_t values[kChunk];
    };

    // Position in order_ of the chunk that holds key or would take it (0 when key precedes all).
    int32_t ChunkFor(int64_t key) const;
    Chunk &At(int32_t position) { return pool_[static_cast<size_t>(order_[position])]; }
    const Chunk &At(int32_t position) const { return pool_[static_cast<size_t>(order_[position])]; }
    void AddChunk(int32_t position, int32_t chunk);
    void RemoveChunk(int32_t position);
    // Merges the chunks at position and position + 1 when together they hold fewer than
    // kChunk / 2 entries.
    void MergeIfSparse(int32_t position);

    std::vector<Chunk> pool_;
    std::vector<int32_t> free_;    // pool chunks not in use
    std::vector<int32_t> order_;   // chunks in use, in key order
    std::vector<int64_t> firsts_;  // the first key of each chunk in order_
    int32_t size_ = 0;
};

}  // namespace kw::engine
