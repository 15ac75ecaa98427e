// The state of deferred index upkeep of one table (deferred_indexes.h): which indexes are
// deferred, the keys the deferred unique ones owe, and where their cursors go once built. Kept
// apart from deferred_indexes.cc, so that the objects which only destroy a table slot do not
// bring in the code that settles it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "key_layout.h"
#include "reindex.h"

namespace kw::engine {

// The keys a deferred unique index owes, as {hash, record reference} pairs in an open-addressed
// table (linear probing, at most half full; hash 0 marks an empty place).
class HeldKeys {
  public:
    void Reserve(size_t more) {
        if ((count_ + more) * 2 <= hashes_.size()) return;
        size_t capacity = std::max<size_t>(hashes_.size() * 2, 1024);
        while ((count_ + more) * 2 > capacity)
            capacity *= 2;
        std::vector<uint64_t> hashes(capacity, 0);
        std::vector<int32_t> refs(capacity, -1);
        for (size_t i = 0; i < hashes_.size(); ++i) {
            if (hashes_[i] != 0) Place(hashes, refs, hashes_[i], refs_[i]);
        }
        hashes_.swap(hashes);
        refs_.swap(refs);
    }
    // Room must have been reserved.
    void Add(uint64_t hash, int32_t ref) {
        Place(hashes_, refs_, hash, ref);
        ++count_;
    }
    // Calls match(ref) for each reference held under hash until it returns false.
    template <typename Match>
    void ForEach(uint64_t hash, Match &&match) const {
        if (hashes_.empty()) return;
        const size_t mask = hashes_.size() - 1;
        for (size_t i = hash & mask; hashes_[i] != 0; i = (i + 1) & mask) {
            if (hashes_[i] == hash && !match(refs_[i])) return;
        }
    }

  private:
    static void Place(std::vector<uint64_t> &hashes, std::vector<int32_t> &refs, uint64_t hash,
                      int32_t ref) {
        const size_t mask = hashes.size() - 1;
        size_t i = hash & mask;
        while (hashes[i] != 0)
            i = (i + 1) & mask;
        hashes[i] = hash;
        refs[i] = ref;
    }

    std::vector<uint64_t> hashes_;
    std::vector<int32_t> refs_;
    size_t count_ = 0;
};

struct DeferredState {
    IndexChoice which;   // per index: deferred
    bool stale = false;  // a record was added since the deferral began
    // A build of the indexes was begun and has not succeeded: the trees no longer hold what
    // they held when the deferral began (and the held keys are gone), so nothing may be added
    // until a build succeeds.
    bool building = false;
    std::vector<HeldKeys> held;  // per index; used by deferred unique ones
    struct Cursor {
        bool set = false;
        std::array<uint8_t, kMaxKeyBuffer> key{};
    };
    std::vector<Cursor> cursors;  // per index: where its cursor goes once it is built
    std::vector<uint8_t> record;  // a stored record read back for a comparison
};

}  // namespace kw::engine
