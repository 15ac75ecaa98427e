// The block cache: LRU list of range buffers over one record store file (see block_cache.h).
#include "block_cache.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kw::engine {
namespace {

int64_t RoundUpToUnit(int64_t n) {
    return (n + kCacheUnit - 1) / kCacheUnit * kCacheUnit;
}

}  // namespace

std::unique_ptr<BlockCache> BlockCache::Create(platform::RandomAccessFile *file,
                                               int32_t bufferCount, bool deferWrites) {
    std::unique_ptr<BlockCache> cache(new (std::nothrow) BlockCache(file, deferWrites));
    if (!cache) return nullptr;
    try {
        cache->buffers_.resize(static_cast<size_t>(std::max(bufferCount, 0)));
    } catch (const std::exception &) {
        return nullptr;
    }
    // A fresh list: buffer 0 is the newest; all are empty.
    const int32_t count = cache->BufferCount();
    for (int32_t i = 0; i < count; ++i) {
        cache->buffers_[i].newer = i - 1;
        cache->buffers_[i].older = i + 1 < count ? i + 1 : -1;
    }
    cache->newest_ = count > 0 ? 0 : -1;
    cache->oldest_ = count - 1;
    return cache;
}

BlockCache::BlockCache(platform::RandomAccessFile *file, bool deferWrites)
    : file_(file), deferWrites_(deferWrites) {}

CacheStatus BlockCache::Read(int64_t base, int64_t position, void *out, int64_t length) {
    lastReadPastEnd_ = false;
    if (length <= 0) return CacheStatus::kOk;
    Buffer *b = Find(base);
    const bool fresh = b == nullptr;
    if (fresh) {
        CacheStatus status = TakeVictim(base, &b);
        if (status != CacheStatus::kOk) return status;
    }
    CacheStatus status = Cover(*b, position, position + length, 0, 0);
    if (status != CacheStatus::kOk) {
        if (fresh) Empty(*b);
        return status;
    }
    if (fresh) b->state = State::kClean;
    std::memcpy(out, b->data.data() + position, static_cast<size_t>(length));
    Touch(*b);
    return CacheStatus::kOk;
}

CacheStatus BlockCache::Write(int64_t base, int64_t position, const void *data, int64_t length) {
    if (length <= 0) return CacheStatus::kOk;
    Buffer *b = Find(base);
    const bool fresh = b == nullptr;
    if (fresh) {
        CacheStatus status = TakeVictim(base, &b);
        if (status != CacheStatus::kOk) return status;
    }
    // The written bytes themselves need not be read; only a gap to the old range does.
    CacheStatus status = Cover(*b, position, position + length, position, position + length);
    if (status != CacheStatus::kOk) {
        if (fresh) Empty(*b);
        return status;
    }
    if (fresh) b->state = State::kClean;
    std::memcpy(b->data.data() + position, data, static_cast<size_t>(length));
    if (deferWrites_) {
        if (b->state == State::kDirty) {
            b->dirtyStart = std::min(b->dirtyStart, position);
            b->dirtyEnd = std::max(b->dirtyEnd, position + length);
        } else {
            b->dirtyStart = position;
            b->dirtyEnd = position + length;
            b->state = State::kDirty;
        }
    } else if (file_->WriteAt(base + position, data, static_cast<size_t>(length)) != length) {
        // The file may hold part of the bytes; forget the buffer so reads see the file again.
        Empty(*b);
        return CacheStatus::kWriteFailed;
    }
    Touch(*b);
    return CacheStatus::kOk;
}

CacheStatus BlockCache::Flush() {
    for (int32_t i = oldest_; i != -1; i = buffers_[i].newer) {
        if (buffers_[i].state != State::kDirty) continue;
        CacheStatus status = WriteBack(buffers_[i]);
        if (status != CacheStatus::kOk) return status;
    }
    return CacheStatus::kOk;
}

bool BlockCache::HasDirtyBuffers() const {
    return std::any_of(buffers_.begin(), buffers_.end(),
                       [](const Buffer &b) { return b.state == State::kDirty; });
}

BlockCache::Buffer *BlockCache::Find(int64_t base) {
    for (int32_t i = newest_; i != -1; i = buffers_[i].older) {
        Buffer &b = buffers_[i];
        if (b.base == base && b.state != State::kReserved) return &b;
    }
    return nullptr;
}

CacheStatus BlockCache::TakeVictim(int64_t base, Buffer **out) {
    for (int32_t i = oldest_; i != -1; i = buffers_[i].newer) {
        Buffer &b = buffers_[i];
        if (b.state == State::kReserved) continue;
        CacheStatus status = Evict(b);
        if (status != CacheStatus::kOk) return status;
        b.base = base;
        b.state = State::kReserved;
        *out = &b;
        return CacheStatus::kOk;
    }
    return CacheStatus::kNoBuffer;
}

// Grows b's valid range to the hull of itself and [from, to), reading the new bytes from the
// file except those in [skipFrom, skipTo), which the caller is about to overwrite.
CacheStatus BlockCache::Cover(Buffer &b, int64_t from, int64_t to, int64_t skipFrom,
                              int64_t skipTo) {
    const bool empty = b.end <= b.start;
    const int64_t newStart = empty ? from : std::min(b.start, from);
    const int64_t newEnd = empty ? to : std::max(b.end, to);
    if (!empty && newStart == b.start && newEnd == b.end) return CacheStatus::kOk;

    if (static_cast<int64_t>(b.data.size()) < newEnd) {
        try {
            b.data.resize(static_cast<size_t>(RoundUpToUnit(newEnd)));
        } catch (const std::exception &) {
            return CacheStatus::kNoBuffer;
        }
    }
    // Keep the buffers disjoint: whoever holds the bytes b is about to cover gives them up.
    const int64_t fileFrom = b.base + newStart;
    const int64_t fileTo = b.base + newEnd;
    for (Buffer &other : buffers_) {
        if (&other == &b || other.base < 0 || other.end <= other.start) continue;
        if (other.base + other.start >= fileTo || fileFrom >= other.base + other.end) continue;
        if (other.state == State::kReserved) return CacheStatus::kNoBuffer;
        CacheStatus status = Evict(other);
        if (status != CacheStatus::kOk) return status;
    }

    int64_t missing[2][2] = {{newStart, newEnd}, {0, 0}};
    if (!empty) {
        missing[0][0] = newStart;
        missing[0][1] = b.start;
        missing[1][0] = b.end;
        missing[1][1] = newEnd;
    }
    for (const auto &piece : missing) {
        // piece minus [skipFrom, skipTo): at most two parts.
        const int64_t parts[2][2] = {{piece[0], std::min(piece[1], skipFrom)},
                                     {std::max(piece[0], skipTo), piece[1]}};
        for (const auto &part : parts) {
            if (part[0] >= part[1]) continue;
            CacheStatus status = ReadFile(b, part[0], part[1]);
            if (status != CacheStatus::kOk) return status;
        }
    }
    b.start = newStart;
    b.end = newEnd;
    return CacheStatus::kOk;
}

CacheStatus BlockCache::Evict(Buffer &b) {
    if (b.state == State::kDirty) {
        CacheStatus status = WriteBack(b);
        if (status != CacheStatus::kOk) return status;
    }
    Empty(b);
    return CacheStatus::kOk;
}

CacheStatus BlockCache::WriteBack(Buffer &b) {
    const int64_t n = b.dirtyEnd - b.dirtyStart;
    if (n > 0 && file_->WriteAt(b.base + b.dirtyStart, b.data.data() + b.dirtyStart,
                                static_cast<size_t>(n)) != n) {
        return CacheStatus::kWriteFailed;  // the buffer stays dirty: its bytes exist nowhere else
    }
    b.state = State::kClean;
    b.dirtyStart = b.dirtyEnd = 0;
    return CacheStatus::kOk;
}

CacheStatus BlockCache::ReadFile(Buffer &b, int64_t from, int64_t to) {
    const int64_t n = to - from;
    uint8_t *dest = b.data.data() + from;
    const int64_t got = file_->ReadAt(b.base + from, dest, static_cast<size_t>(n));
    if (got < 0) return CacheStatus::kReadFailed;
    if (got < n) {
        std::memset(dest + got, 0, static_cast<size_t>(n - got));  // past the end
        lastReadPastEnd_ = true;
    }
    return CacheStatus::kOk;
}

// Empties b and makes it the least recently used, so empty buffers are taken first.
void BlockCache::Empty(Buffer &b) {
    b.base = -1;
    b.start = b.end = 0;
    b.dirtyStart = b.dirtyEnd = 0;
    b.state = State::kClean;
    if (oldest_ == IndexOf(b)) return;
    Unlink(b);
    b.newer = oldest_;
    buffers_[oldest_].older = IndexOf(b);
    oldest_ = IndexOf(b);
}

void BlockCache::Touch(Buffer &b) {
    if (newest_ == IndexOf(b)) return;
    Unlink(b);
    b.older = newest_;
    buffers_[newest_].newer = IndexOf(b);
    newest_ = IndexOf(b);
}

// Takes b out of the LRU list (b is not alone in it).
void BlockCache::Unlink(Buffer &b) {
    const int32_t i = IndexOf(b);
    if (b.newer != -1) buffers_[b.newer].older = b.older;
    if (b.older != -1) buffers_[b.older].newer = b.newer;
    if (newest_ == i) newest_ = b.older;
    if (oldest_ == i) oldest_ = b.newer;
    b.newer = b.older = -1;
}

}  // namespace kw::engine
