// The index cache's map from a unit's key (its file number and unit number) to the entry holding
// it. Every step of every B-tree descent looks a unit up here, mostly for pages far apart in files
// far larger than the processor's caches, so the table is kept as small as it can be: one 8-byte
// word per slot (eight to a cache line) and about two thirds full, where a map of 16-byte slots
// kept half full took three times the memory and missed the processor's caches far more often.
//
// Slot word (0 marks an empty slot):
//
//   BITS    MEANING
//   0-19    value + 1 (the entry number, below kMaxValue)
//   20-63   key (below kKeyLimit)
//
// What callers may rely on:
//  - capacity is fixed at construction for at most maxEntries entries (which must not exceed
//    kMaxValue); Put never fails while the caller keeps no more than that;
//  - keys are below kKeyLimit and values in [0, kMaxValue); Put replaces the value of a key held;
//  - Erase keeps every other entry findable (linear probing with backward-shift deletion, no
//    tombstones), so long runs of misses never slow later lookups down;
//  - never allocates after construction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kw::engine {

class UnitMap {
  public:
    static constexpr int32_t kNone = -1;
    static constexpr int kValueBits = 20;
    static constexpr int32_t kMaxValue = (int32_t{1} << kValueBits) - 1;
    static constexpr uint64_t kKeyLimit = uint64_t{1} << (64 - kValueBits);

    explicit UnitMap(int32_t maxEntries) {
        // A third of the slots stay empty: runs of full slots stay a few words long, inside one
        // or two cache lines.
        const size_t entries = maxEntries > 0 ? static_cast<size_t>(maxEntries) : 0;
        capacity_ = entries + entries / 2 + 8;
        slots_.assign(capacity_, 0);
    }

    // The value held for key, or kNone.
    int32_t Get(uint64_t key) const {
        for (size_t i = Home(key);; i = Next(i)) {
            const uint64_t s = slots_[i];
            if (s == 0) return kNone;
            if (s >> kValueBits == key) return static_cast<int32_t>(s & kValueMask) - 1;
        }
    }

    // Starts loading the slot where a Get of key begins, for a Get that will come soon.
    void Prefetch(uint64_t key) const { __builtin_prefetch(&slots_[Home(key)]); }

    void Put(uint64_t key, int32_t value) {
        const uint64_t word = key << kValueBits | static_cast<uint64_t>(value + 1);
        for (size_t i = Home(key);; i = Next(i)) {
            uint64_t &s = slots_[i];
            if (s == 0 || s >> kValueBits == key) {
                s = word;
                return;
            }
        }
    }

    void Erase(uint64_t key) {
        size_t i = Home(key);
        for (;; i = Next(i)) {
            if (slots_[i] == 0) return;
            if (slots_[i] >> kValueBits == key) break;
        }
        // Backward shift: move later words of the run into the hole when their home allows.
        for (size_t j = Next(i);; j = Next(j)) {
            if (slots_[j] == 0) break;
            const size_t home = Home(slots_[j] >> kValueBits);
            // The word at j may move to i when its home does not lie in (i, j] (cyclically).
            const bool stays = i <= j ? (home > i && home <= j) : (home > i || home <= j);
            if (stays) continue;
            slots_[i] = slots_[j];
            i = j;
        }
        slots_[i] = 0;
    }

  private:
    static constexpr uint64_t kValueMask = (uint64_t{1} << kValueBits) - 1;

    size_t Next(size_t i) const { return i + 1 == capacity_ ? 0 : i + 1; }

    size_t Home(uint64_t key) const {
        // Fibonacci hashing mixes the unit numbers, whose low bits say little, into the high bits;
        // their top 32 scaled to the capacity choose the slot (no power-of-two size needed).
        const uint64_t h = key * 0x9E3779B97F4A7C15ull;
        return static_cast<size_t>(((h >> 32) * static_cast<uint64_t>(capacity_)) >> 32);
    }

    std::vector<uint64_t> slots_;
    size_t capacity_ = 0;
};

}  // namespace kw::engine
