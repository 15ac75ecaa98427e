// A read-only walk of a record store's chain for bulk work (an index rebuild): every record in
// chain order, read from the file itself through a read-ahead window instead of one read per
// block through the block cache.
//
// What callers may rely on:
//   - Construction writes the store's dirty buffers back first (so the file holds every byte the
//     cache would serve); a failure there (154) fails the first Next.
//   - Next accepts exactly the records a ChainWalk with BackLinks::kCheck and a ReadRecord of
//     each would: the same block checks (reference, magic, capacity within the store's end, used
//     length, links, a freed block or the free-list block, bytes cut off by the file's end), the
//     same self-link, back-link, loop and length-limit checks. Where either would fail, Next
//     fails (403 in the store's LastError()). A record whose used length is not the record
//     length is a failure too (the caller's 519), left for the caller to diagnose again.
//   - Nothing is written and the block cache is not touched: the walk may be repeated.
//   - A chain stored in ascending file order (blocks appended one after another) costs one read
//     per 1 MiB; a block that is not near the last window costs one read of its own, so a chain
//     scattered over the file costs no more reads than a walk through the cache.
#pragma once

#include <cstdint>
#include <vector>

#include "record_store.h"

namespace kw::engine {

class ChainReader {
  public:
    ChainReader(RecordStore &store, int32_t recordLength);

    // True with *ref set to the next record block and *record to its recordLength bytes (valid
    // until the next call), or *ref = -1 once the chain has ended; false on failure, and on
    // every call after it.
    bool Next(int32_t *ref, const uint8_t **record);
    bool Failed() const { return failed_; }
    int32_t Steps() const { return loop_.Steps(); }

  private:
    bool Fail();
    // Points *out at the length bytes at offset, reading a new window when they are not in the
    // current one; false when the file cannot be read or the bytes pass its end.
    bool Bytes(int64_t offset, int64_t length, const uint8_t **out);

    RecordStore &store_;
    int32_t recordLength_;
    bool failed_ = false;
    bool started_ = false;
    int64_t fileSize_ = -1;
    std::vector<uint8_t> window_;
    int64_t windowStart_ = 0;
    int64_t windowEnd_ = 0;  // windowStart_ when the window is empty
    int32_t following_ = -1;
    int32_t returned_ = -1;
    ChainLoop loop_;
};

}  // namespace kw::engine
