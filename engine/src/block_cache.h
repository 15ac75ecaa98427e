// The block cache of one record store file: a fixed number of buffers in least-recently-used
// order, each caching one contiguous byte range [start, end) of one block, counted from the
// block's file offset (its "base"; the store header is cached as the block at base 0).
//
// What callers may rely on:
//  - The cache is a coherent view of the file: no two buffers ever hold overlapping file bytes.
//    When a buffer's range grows over bytes another buffer holds, that buffer is written back
//    (when dirty) and emptied first. Blocks that change their extent (a split free block, blocks
//    appended over old bytes after a reset) therefore never see stale bytes.
//  - With deferred writes, a write only marks its buffer dirty; the bytes reach the file when the
//    buffer is reused, at Flush() or never (the owner flushes before closing). Otherwise every
//    write reaches the file before Write() returns, and a failed write empties its buffer so the
//    cache never holds bytes the file lacks.
//  - Reading past the end of the file gives zeros; a failed read caches nothing.
//  - Finding a block's buffer, choosing a victim and checking a growing range against the other
//    buffers take constant or logarithmic time whatever the number of buffers, and nothing is
//    allocated per access once the buffers' data areas have grown to the blocks they hold (they
//    grow on demand and are kept for reuse). Every file access is one pread/pwrite per contiguous
//    range.
//  - A write-back also writes the dirty buffers whose dirty bytes continue it in the file
//    (blocks appended one after another), up to 64 KiB, with one write: those buffers become
//    clean. Apart from the waits below, deferred writes were never ordered, so this changes only
//    how many writes there are.
//  - OrderAfter(base, first) holds the dirty bytes of block base back until the dirty bytes block
//    first holds now are in the file: every write-back of base writes first's bytes first, or
//    in the same write at a lower file offset (a write cut short by a kill keeps its start). A
//    write-back run that would put such bytes in the wrong order is not formed; the buffer then
//    goes alone, after what it waits for.
//  - A buffer is reserved only while the cache itself fills it; a cache with no buffer fails
//    every access with kNoBuffer.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "offset_map.h"
#include "platform/file.h"
#include "range_index.h"

namespace kw::engine {

// The store's unit of bulk transfer (free-list scans and copies go through buffers of this size).
inline constexpr int32_t kCacheUnit = 2048;

enum class CacheStatus {
    kOk,
    kNoBuffer,     // no buffer could be taken (none exists, or memory ran out)
    kReadFailed,   // the file could not be read
    kWriteFailed,  // the file could not be written (the access itself or a write-back)
};

class BlockCache {
  public:
    // The cache does not own file. Returns null when memory for the buffer list runs out.
    static std::unique_ptr<BlockCache> Create(platform::RandomAccessFile *file, int32_t bufferCount,
                                              bool deferWrites);

    BlockCache(const BlockCache &) = delete;
    BlockCache &operator=(const BlockCache &) = delete;

    // Copies length bytes at base + position into out.
    CacheStatus Read(int64_t base, int64_t position, void *out, int64_t length);
    // Makes bytes [position, position + length) of block base at hand for the Reads that follow,
    // reading the missing ones with one read, and copies nothing. A caller about to read a block's
    // header and then its data loads both first, so a miss costs one read instead of two.
    // A block no buffer holds is not given one the first time it is loaded: its bytes go to a
    // side copy (the passing block) that serves Reads of them until another block is loaded or a
    // buffer takes any of them, and that fills the block's buffer, without a read, when the block
    // is written or read beyond them. A block loaded again soon after (see kRecentLoads), or when
    // the buffer due for reuse is dirty, gets a buffer like any other. So records read once, as
    // by a lookup, neither push cached blocks out nor land in a data area long out of use.
    CacheStatus Load(int64_t base, int64_t position, int64_t length);
    // Places length bytes at base + position.
    CacheStatus Write(int64_t base, int64_t position, const void *data, int64_t length);
    // Writes the buffer caching the block at base back now when it is dirty (with whatever a
    // write-back takes along), so that block's bytes reach the file before those of others.
    CacheStatus WriteBackBlock(int64_t base);
    // Keeps the bytes of block base now dirty from reaching the file before those block first
    // holds dirty now (nothing to do when either is not dirty). Later writes to either block add
    // to the bytes held back or waited for. Writes back first now when base already waits for
    // another block (one wait per buffer).
    CacheStatus OrderAfter(int64_t base, int64_t first);
    // Writes block base back now (after what it waits for) when it waits for another block, so
    // changes made from here on are ordered by the caller alone.
    CacheStatus SettleOrder(int64_t base);
    // Writes every dirty buffer back, least recently used first; stops at the first failure.
    CacheStatus Flush();

    int32_t BufferCount() const { return static_cast<int32_t>(buffers_.size()); }
    bool DefersWrites() const { return deferWrites_; }
    bool HasDirtyBuffers() const { return dirtyCount_ > 0; }
    // Whether the last Read returned bytes made up past the end of the file (as zeros), then or
    // by an earlier Load. Only a new file's header may legitimately lie there; a block that does
    // was cut off by a truncated file.
    bool LastReadPastEnd() const { return lastReadPastEnd_; }

  private:
    enum class State { kClean, kDirty, kReserved };

    // How many recently loaded blocks are remembered for the second load that admits a block.
    static constexpr size_t kRecentLoads = 1024;

    // The passing block: bytes [from, to) of block base exactly as the file holds them. No buffer
    // holds any of them while base >= 0 (a buffer taking them ends the copy first, see SetRange),
    // and every change of the file goes through a buffer, so the copy cannot go stale.
    struct Passing {
        int64_t base = -1;
        int64_t from = 0;
        int64_t to = 0;
        std::vector<uint8_t> data;  // indexed by position from `from`
    };

    struct Buffer {
        int64_t base = -1;  // file offset of the cached block, -1 when empty
        int64_t start = 0;  // valid range, counted from base
        int64_t end = 0;
        int64_t dirtyStart = 0;  // bytes not yet in the file (within the valid range)
        int64_t dirtyEnd = 0;
        State state = State::kClean;
        std::vector<uint8_t> data;       // indexed by position from base; grown on demand
        int64_t madeUpFrom = INT64_MAX;  // first position read past the file's end, as zeros
        uint64_t dirtySince =
            0;                 // when the buffer last turned dirty (tells its dirty spells apart)
        int32_t waitFor = -1;  // the buffer whose dirty spell waitSince must reach the file first
        uint64_t waitSince = 0;
        bool writing = false;  // a write-back of it is under way (breaks wait loops)
    };
    // A buffer's neighbours in the LRU list (indexes into buffers_). Kept apart from the buffers,
    // like the range ends below, in an array small enough to stay in the processor's cache: with
    // thousands of buffers a miss would otherwise wait for the scattered lines of the victim's
    // neighbour and of the range next to the new one, besides the victim's own.
    struct Link {
        int32_t newer = -1;
        int32_t older = -1;
    };

    BlockCache(platform::RandomAccessFile *file, bool deferWrites, int32_t bufferCount);

    // The buffer caching base with [from, to) valid (the bytes in [skipFrom, skipTo) are left for
    // the caller to fill), made most recently used.
    CacheStatus Acquire(int64_t base, int64_t from, int64_t to, int64_t skipFrom, int64_t skipTo,
                        Buffer **out);
    Buffer *Find(int64_t base);
    CacheStatus TakeVictim(int64_t base, Buffer **out);
    CacheStatus Cover(Buffer &b, int64_t from, int64_t to, int64_t skipFrom, int64_t skipTo);
    // A buffer other than number except (-1: none) holding file bytes in [from, to), or null.
    Buffer *Overlapping(int32_t except, int64_t from, int64_t to);
    // Whether the passing block holds [position, position + length) of block base.
    bool PassingHolds(int64_t base, int64_t position, int64_t length) const {
        return passing_.base == base && position >= passing_.from &&
               position + length <= passing_.to;
    }
    // Reads [from, to) of block base into the passing block (no buffer holds any of it). False,
    // with the passing block empty, when the read failed or came up short (the bytes past the
    // end of the file are left to a buffer, which remembers where they begin).
    bool LoadPassing(int64_t base, int64_t from, int64_t to);
    // Whether base was loaded not long ago; remembers it now otherwise.
    bool LoadedRecently(int64_t base);
    CacheStatus Evict(Buffer &b);
    CacheStatus WriteBack(Buffer &b);
    CacheStatus WriteBackRun(Buffer &b);
    // The buffer b must wait for (dirty in the spell it waited for), or null.
    Buffer *Awaited(const Buffer &b);
    CacheStatus WriteAlone(Buffer &b);
    // The dirty buffer whose dirty bytes begin where b's end in the file (b's dirty bytes reaching
    // the end of its range), or null; DirtyBefore likewise for the one ending where b's begin.
    Buffer *DirtyAfter(const Buffer &b);
    Buffer *DirtyBefore(const Buffer &b);
    void MarkClean(Buffer &b);
    CacheStatus ReadFile(Buffer &b, int64_t from, int64_t to);
    void MarkDirty(Buffer &b, int64_t from, int64_t to);
    void SetRange(Buffer &b, int64_t start, int64_t end);
    void Empty(Buffer &b);
    void Touch(Buffer &b);
    void Unlink(int32_t i);
    int32_t IndexOf(const Buffer &b) const { return static_cast<int32_t>(&b - buffers_.data()); }

    platform::RandomAccessFile *file_;
    bool deferWrites_;
    std::vector<Buffer> buffers_;
    std::vector<Link> links_;         // per buffer
    std::vector<int64_t> rangeEnds_;  // per buffer with a range: base + end, where it stops
    OffsetMap byBase_;                // base -> buffer number, for every buffer caching a block
    // File offset where a buffer's range starts -> buffer number, for every non-empty range.
    // Ranges never overlap, so this order is also the order of their ends.
    RangeIndex ranges_;
    int32_t dirtyCount_ = 0;
    uint64_t dirtySpells_ = 0;
    bool lastReadPastEnd_ = false;
    std::vector<uint8_t> run_;  // a run of dirty bytes from several buffers, gathered for one write
    int32_t newest_ = -1;       // most recently used
    int32_t oldest_ = -1;       // least recently used
    Passing passing_;
    std::vector<int64_t> recentLoads_;  // bases loaded without a buffer, by a hash of the base
};

}  // namespace kw::engine
