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
//  - Data areas grow on demand in multiples of kCacheUnit and are kept for reuse, so steady-state
//    operation does not allocate. Every file access is one pread/pwrite per contiguous range.
//  - A buffer is reserved only while the cache itself fills it; a cache with no buffer fails
//    every access with kNoBuffer.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/file.h"

namespace kw::engine {

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
    // Places length bytes at base + position.
    CacheStatus Write(int64_t base, int64_t position, const void *data, int64_t length);
    // Writes every dirty buffer back, least recently used first; stops at the first failure.
    CacheStatus Flush();

    int32_t BufferCount() const { return static_cast<int32_t>(buffers_.size()); }
    bool DefersWrites() const { return deferWrites_; }
    bool HasDirtyBuffers() const;
    // Whether the last Read made up bytes past the end of the file (as zeros). Only a new file's
    // header may legitimately lie there; a block that does was cut off by a truncated file.
    bool LastReadPastEnd() const { return lastReadPastEnd_; }

  private:
    enum class State { kClean, kDirty, kReserved };

    struct Buffer {
        int64_t base = -1;  // file offset of the cached block, -1 when empty
        int64_t start = 0;  // valid range, counted from base
        int64_t end = 0;
        int64_t dirtyStart = 0;  // bytes not yet in the file (within the valid range)
        int64_t dirtyEnd = 0;
        State state = State::kClean;
        std::vector<uint8_t> data;  // indexed by position from base; size a multiple of the unit
        int32_t newer = -1;         // LRU neighbours (indexes into buffers_)
        int32_t older = -1;
    };

    BlockCache(platform::RandomAccessFile *file, bool deferWrites);

    Buffer *Find(int64_t base);
    CacheStatus TakeVictim(int64_t base, Buffer **out);
    CacheStatus Cover(Buffer &b, int64_t from, int64_t to, int64_t skipFrom, int64_t skipTo);
    CacheStatus Evict(Buffer &b);
    CacheStatus WriteBack(Buffer &b);
    CacheStatus ReadFile(Buffer &b, int64_t from, int64_t to);
    void Empty(Buffer &b);
    void Touch(Buffer &b);
    void Unlink(Buffer &b);
    int32_t IndexOf(const Buffer &b) const { return static_cast<int32_t>(&b - buffers_.data()); }

    platform::RandomAccessFile *file_;
    bool deferWrites_;
    std::vector<Buffer> buffers_;
    int32_t newest_ = -1;  // most recently used
    int32_t oldest_ = -1;  // least recently used
    bool lastReadPastEnd_ = false;
};

}  // namespace kw::engine
