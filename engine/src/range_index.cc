// The chunked ordered offset map of the block cache (see range_index.h).
#include "range_index.h"

#include <algorithm>
#include <cstring>

namespace kw::engine {
namespace {

constexpr int32_t kHalf = RangeIndex::kChunk / 2;

// The number of keys of sorted[0, n) below key (with kOrEqual: not above it), as lower_bound
// (upper_bound) finds it. Which half a step takes is a coin toss for the processor's branch
// predictor on random offsets; a conditional move instead of a branch costs no mispredictions.
template <bool kOrEqual>
int32_t Rank(const int64_t *sorted, int32_t n, int64_t key) {
    if (n <= 0) return 0;
    const int64_t *base = sorted;
    while (n > 1) {
        const int32_t half = n / 2;
        const bool right = kOrEqual ? base[half] <= key : base[half] < key;
        base = right ? base + half : base;
        n -= half;
    }
    const bool past = kOrEqual ? *base <= key : *base < key;
    return static_cast<int32_t>(base - sorted) + (past ? 1 : 0);
}

}  // namespace

RangeIndex::RangeIndex(int32_t maxEntries) {
    // Any two neighbours hold at least kHalf entries, so k chunks hold at least (k / 2) * kHalf;
    // one more for the moment of a split.
    const int32_t entries = std::max(maxEntries, 0);
    const int32_t chunks = 2 * (entries / kHalf + 1) + 2;
    pool_.resize(static_cast<size_t>(chunks));
    order_.reserve(static_cast<size_t>(chunks));
    firsts_.reserve(static_cast<size_t>(chunks));
    free_.reserve(static_cast<size_t>(chunks));
    for (int32_t i = chunks - 1; i >= 0; --i)
        free_.push_back(i);
}

int32_t RangeIndex::ChunkFor(int64_t key) const {
    const int32_t after = Rank<true>(firsts_.data(), static_cast<int32_t>(firsts_.size()), key);
    return after == 0 ? 0 : after - 1;
}

void RangeIndex::AddChunk(int32_t position, int32_t chunk) {
    order_.insert(order_.begin() + position, chunk);
    firsts_.insert(firsts_.begin() + position, pool_[static_cast<size_t>(chunk)].keys[0]);
}

void RangeIndex::RemoveChunk(int32_t position) {
    At(position).count = 0;
    free_.push_back(order_[position]);
    order_.erase(order_.begin() + position);
    firsts_.erase(firsts_.begin() + position);
}

void RangeIndex::Insert(int64_t key, int32_t value) {
    ++size_;
    if (order_.empty()) {
        const int32_t chunk = free_.back();
        free_.pop_back();
        Chunk &c = pool_[static_cast<size_t>(chunk)];
        c.count = 1;
        c.keys[0] = key;
        c.values[0] = value;
        AddChunk(0, chunk);
        return;
    }
    int32_t position = ChunkFor(key);
    Chunk *c = &At(position);
    int32_t slot = Rank<false>(c->keys, c->count, key);
    if (c->count == kChunk) {
        // Split in halves; the upper half goes to a new chunk right after it.
        const int32_t chunk = free_.back();
        free_.pop_back();
        Chunk &upper = pool_[static_cast<size_t>(chunk)];
        std::memcpy(upper.keys, c->keys + kHalf, kHalf * sizeof(int64_t));
        std::memcpy(upper.values, c->values + kHalf, kHalf * sizeof(int32_t));
        upper.count = kHalf;
        c->count = kHalf;
        AddChunk(position + 1, chunk);
        if (slot > kHalf) {
            ++position;
            slot -= kHalf;
            c = &upper;
        }
    }
    std::memmove(c->keys + slot + 1, c->keys + slot, (c->count - slot) * sizeof(int64_t));
    std::memmove(c->values + slot + 1, c->values + slot, (c->count - slot) * sizeof(int32_t));
    c->keys[slot] = key;
    c->values[slot] = value;
    ++c->count;
    if (slot == 0) firsts_[position] = key;
}

void RangeIndex::Erase(int64_t key) {
    const int32_t position = ChunkFor(key);
    if (order_.empty()) return;
    Chunk &c = At(position);
    const int32_t slot = Rank<false>(c.keys, c.count, key);
    if (slot == c.count || c.keys[slot] != key) return;
    --size_;
    --c.count;
    std::memmove(c.keys + slot, c.keys + slot + 1, (c.count - slot) * sizeof(int64_t));
    std::memmove(c.values + slot, c.values + slot + 1, (c.count - slot) * sizeof(int32_t));
    if (c.count == 0) {
        // Its neighbours held at least kHalf - 1 each, so together they still hold kHalf.
        RemoveChunk(position);
        return;
    }
    if (slot == 0) firsts_[position] = c.keys[0];
    // Only the two pairs this chunk belongs to lost an entry; one merge restores both.
    const int32_t chunks = static_cast<int32_t>(order_.size());
    if (position > 0 && At(position - 1).count + c.count < kHalf) {
        MergeIfSparse(position - 1);
    } else if (position + 1 < chunks) {
        MergeIfSparse(position);
    }
}

void RangeIndex::MergeIfSparse(int32_t position) {
    Chunk &lower = At(position);
    Chunk &upper = At(position + 1);
    if (lower.count + upper.count >= kHalf) return;
    std::memcpy(lower.keys + lower.count, upper.keys, upper.count * sizeof(int64_t));
    std::memcpy(lower.values + lower.count, upper.values, upper.count * sizeof(int32_t));
    lower.count += upper.count;
    RemoveChunk(position + 1);
}

int32_t RangeIndex::Get(int64_t key) const {
    const Entry e = AtOrAfter(key);
    return e.value != kNone && e.key == key ? e.value : kNone;
}

RangeIndex::Entry RangeIndex::AtOrAfter(int64_t key) const {
    Entry before, next;
    Around(key, &before, &next);
    return next;
}

RangeIndex::Entry RangeIndex::Before(int64_t key) const {
    Entry before, next;
    Around(key, &before, &next);
    return before;
}

void RangeIndex::Around(int64_t key, Entry *before, Entry *next) const {
    *before = *next = Entry{};
    if (order_.empty()) return;
    const int32_t position = ChunkFor(key);
    const Chunk &c = At(position);
    const int32_t slot = Rank<false>(c.keys, c.count, key);
    if (slot > 0) {
        *before = {c.keys[slot - 1], c.values[slot - 1]};
    } else if (position > 0) {
        // key is at or before this chunk's first: the answer closes the previous chunk.
        const Chunk &previous = At(position - 1);
        *before = {previous.keys[previous.count - 1], previous.values[previous.count - 1]};
    }
    if (slot < c.count) {
        *next = {c.keys[slot], c.values[slot]};
    } else if (position + 1 < static_cast<int32_t>(order_.size())) {
        // Every key of this chunk is before key: the answer opens the next chunk.
        const Chunk &following = At(position + 1);
        *next = {following.keys[0], following.values[0]};
    }
}

}  // namespace kw::engine
