// A key being searched for, made ready once for the many compares of one descent: the parts
// compared without regard to case are folded (a-z to A-Z) here, so each compare folds only the
// stored key it is compared with instead of both keys.
//
// What callers may rely on:
//  - Compare(stored, storedLength) gives exactly CompareKeys(layout, key, length, stored,
//    storedLength), sign and value, for keys and stored keys of any length (a key whose parts
//    do not fit, or longer than kMaxKeyBuffer, is simply compared by CompareKeys itself).
//  - The key's bytes are read, not copied, for what is not folded: they must stay unchanged
//    while the SearchKey is used. Nothing is allocated.
#pragma once

#include <cstdint>

#include "key_layout.h"

namespace kw::engine {

class SearchKey {
  public:
    SearchKey(const KeyLayout &layout, const uint8_t *key, int32_t length);
    SearchKey(const SearchKey &) = delete;
    SearchKey &operator=(const SearchKey &) = delete;

    int Compare(const uint8_t *stored, int32_t storedLength) const;

    const uint8_t *Bytes() const { return key_; }
    int32_t Length() const { return length_; }

  private:
    // Parts next to each other that both compare without case compare as one run: the first
    // unequal byte decides either way.
    struct Run {
        int32_t position;
        int32_t length;
        int32_t flags;  // of its part, when not case-free
        bool caseFree;
    };
    static constexpr int32_t kMaxRuns = 16;

    const KeyLayout &layout_;
    const uint8_t *key_;
    int32_t length_;
    bool folded_ = false;  // folding_ holds the key with its case-free parts folded
    // The parts that lie inside the key as runs, for stored keys of the key's own length (-1:
    // too many runs; the parts are then walked one by one), and where bytes after them begin.
    int32_t runCount_ = -1;
    int32_t runsEnd_ = 0;
    Run runs_[kMaxRuns];
    uint8_t folding_[kMaxKeyBuffer];
};

}  // namespace kw::engine
