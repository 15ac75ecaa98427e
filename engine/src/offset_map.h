// A fixed-capacity hash map from file offsets to buffer numbers, for the block cache and the page
// pool: each finds the buffer holding an offset in constant time however many buffers it has, and
// never allocates after construction.
//
// What callers may rely on:
//  - capacity is fixed at construction (at least twice the number of entries it is told to hold,
//    rounded up to a power of two), so probes stay short and Put never fails while the caller
//    keeps no more than that many entries;
//  - offsets are any values other than kNone; Put replaces the value of an offset already held;
//  - Erase keeps every other entry findable (linear probing with backward-shift deletion, no
//    tombstones), so a long run of misses never slows later lookups down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kw::engine {

class OffsetMap {
  public:
    static constexpr int32_t kNone = -1;

    explicit OffsetMap(int32_t maxEntries) {
        size_t capacity = 8;
        while (capacity < static_cast<size_t>(maxEntries) * 2)
            capacity *= 2;
        slots_.assign(capacity, Slot{});
        mask_ = capacity - 1;
    }

    // The value held for offset, or kNone.
    int32_t Get(int64_t offset) const {
        for (size_t i = Home(offset);; i = (i + 1) & mask_) {
            const Slot &s = slots_[i];
            if (s.value == kNone) return kNone;
            if (s.offset == offset) return s.value;
        }
    }

    // Starts loading the slot where a Get of offset begins, for a Get that will come soon.
    void Prefetch(int64_t offset) const { __builtin_prefetch(&slots_[Home(offset)]); }

    void Put(int64_t offset, int32_t value) {
        for (size_t i = Home(offset);; i = (i + 1) & mask_) {
            Slot &s = slots_[i];
            if (s.value == kNone || s.offset == offset) {
                s.offset = offset;
                s.value = value;
                return;
            }
        }
    }

    void Erase(int64_t offset) {
        size_t i = Home(offset);
        for (;; i = (i + 1) & mask_) {
            if (slots_[i].value == kNone) return;
            if (slots_[i].offset == offset) break;
        }
        // Backward shift: move later entries of the run into the hole when their home allows.
        for (size_t j = (i + 1) & mask_;; j = (j + 1) & mask_) {
            if (slots_[j].value == kNone) break;
            const size_t home = Home(slots_[j].offset);
            // The entry at j may move to i when its home does not lie in (i, j] (cyclically).
            const bool stays = i <= j ? (home > i && home <= j) : (home > i || home <= j);
            if (stays) continue;
            slots_[i] = slots_[j];
            i = j;
        }
        slots_[i] = Slot{};
    }

    void Clear() { slots_.assign(slots_.size(), Slot{}); }

  private:
    struct Slot {
        int64_t offset = 0;
        int32_t value = kNone;  // kNone marks an empty slot
    };

    size_t Home(int64_t offset) const {
        // Fibonacci hashing: offsets are multiples of a page or spread over a file, so their low
        // bits say little; the product's high bits mix all of them.
        const uint64_t h = static_cast<uint64_t>(offset) * 0x9E3779B97F4A7C15ull;
        return static_cast<size_t>(h >> 32) & mask_;
    }

    std::vector<Slot> slots_;
    size_t mask_ = 0;
};

}  // namespace kw::engine
