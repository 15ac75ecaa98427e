// The block cache: LRU list of range buffers over one record store file (see block_cache.h).
//
// Three structures find buffers without looking at all of them: the LRU list (victims are taken
// from its old end), byBase_ (the buffer of a block) and ranges_ (buffers by the file offset
// where their range starts, to find the buffers a growing range would overlap).
#include "block_cache.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kw::engine {
namespace {

// Data areas grow to the bytes a block needs, rounded up to this, and are kept for reuse.
constexpr int64_t kAreaGrain = 64;
// The most bytes, and buffers, one write-back gathers.
constexpr int64_t kRunBytes = 64 * 1024;
constexpr int kRunBuffers = 64;
// The most bytes of a victim's data area asked for ahead of its read (a small record's block).
constexpr int64_t kPrefetchAreaBytes = 1024;

int64_t RoundUpToGrain(int64_t n) {
    return (n + kAreaGrain - 1) / kAreaGrain * kAreaGrain;
}

}  // namespace

std::unique_ptr<BlockCache> BlockCache::Create(platform::RandomAccessFile *file,
                                               int32_t bufferCount, bool deferWrites) {
    const int32_t count = std::max(bufferCount, 0);
    std::unique_ptr<BlockCache> cache;
    try {
        cache.reset(new BlockCache(file, deferWrites, count));
        cache->buffers_.resize(static_cast<size_t>(count));
        cache->links_.resize(static_cast<size_t>(count));
        cache->rangeEnds_.resize(static_cast<size_t>(count));
        if (deferWrites) cache->run_.resize(static_cast<size_t>(kRunBytes));
        if (count > 0) cache->recentLoads_.assign(kRecentLoads, -1);
    } catch (const std::exception &) {
        return nullptr;
    }
    // A fresh list: buffer 0 is the newest; all are empty.
    for (int32_t i = 0; i < count; ++i) {
        cache->links_[i].newer = i - 1;
        cache->links_[i].older = i + 1 < count ? i + 1 : -1;
    }
    cache->newest_ = count > 0 ? 0 : -1;
    cache->oldest_ = count - 1;
    return cache;
}

BlockCache::BlockCache(platform::RandomAccessFile *file, bool deferWrites, int32_t bufferCount)
    : file_(file), deferWrites_(deferWrites), byBase_(bufferCount), ranges_(bufferCount) {}

CacheStatus BlockCache::Acquire(int64_t base, int64_t from, int64_t to, int64_t skipFrom,
                                int64_t skipTo, Buffer **out) {
    Buffer *b = Find(base);
    const bool fresh = b == nullptr;
    if (fresh) {
        CacheStatus status = TakeVictim(base, &b);
        if (status != CacheStatus::kOk) return status;
        if (passing_.base == base) {
            // The new buffer takes the passing block's bytes over (ReadFile copies them), so the
            // block costs no second read; ranges apart would leave a gap to read instead.
            if (from <= passing_.to && to >= passing_.from) {
                from = std::min(from, passing_.from);
                to = std::max(to, passing_.to);
            } else {
                passing_.base = -1;
            }
        }
    }
    CacheStatus status = Cover(*b, from, to, skipFrom, skipTo);
    if (status != CacheStatus::kOk) {
        if (fresh) Empty(*b);
        return status;
    }
    if (fresh) b->state = State::kClean;
    Touch(*b);
    *out = b;
    return CacheStatus::kOk;
}

CacheStatus BlockCache::Read(int64_t base, int64_t position, void *out, int64_t length) {
    lastReadPastEnd_ = false;
    if (length <= 0) return CacheStatus::kOk;
    if (PassingHolds(base, position, length)) {
        std::memcpy(out, passing_.data.data() + (position - passing_.from),
                    static_cast<size_t>(length));
        return CacheStatus::kOk;
    }
    Buffer *b = nullptr;
    CacheStatus status = Acquire(base, position, position + length, 0, 0, &b);
    if (status != CacheStatus::kOk) return status;
    lastReadPastEnd_ = b->madeUpFrom < position + length;
    std::memcpy(out, b->data.data() + position, static_cast<size_t>(length));
    return CacheStatus::kOk;
}

CacheStatus BlockCache::Load(int64_t base, int64_t position, int64_t length) {
    if (length <= 0 || PassingHolds(base, position, length)) return CacheStatus::kOk;
    // A block loaded once goes to the passing block, read into memory used a moment ago, and
    // leaves the buffers as they are; one loaded again soon is worth a buffer. Bytes a buffer
    // holds (newer than the file's, perhaps) always come from that buffer; a buffer holding other
    // bytes of the block may stay beside the passing block. A dirty buffer due for reuse is
    // reused as before, so reads still push deferred writes out to the file at the old pace (and
    // report a failed write-back as before).
    if (oldest_ != -1 && buffers_[oldest_].state == State::kClean && !LoadedRecently(base) &&
        Overlapping(-1, base + position, base + position + length) == nullptr &&
        LoadPassing(base, position, position + length)) {
        return CacheStatus::kOk;
    }
    Buffer *b = nullptr;
    return Acquire(base, position, position + length, 0, 0, &b);
}

CacheStatus BlockCache::Write(int64_t base, int64_t position, const void *data, int64_t length) {
    if (length <= 0) return CacheStatus::kOk;
    Buffer *b = nullptr;
    // The written bytes themselves need not be read; only a gap to the old range does.
    CacheStatus status =
        Acquire(base, position, position + length, position, position + length, &b);
    if (status != CacheStatus::kOk) return status;
    std::memcpy(b->data.data() + position, data, static_cast<size_t>(length));
    if (b->madeUpFrom >= position && b->madeUpFrom < position + length) {
        b->madeUpFrom = b->end > position + length ? position + length : INT64_MAX;
    }
    if (deferWrites_) {
        MarkDirty(*b, position, position + length);
    } else if (file_->WriteAt(base + position, data, static_cast<size_t>(length)) != length) {
        // The file may hold part of the bytes; forget the buffer so reads see the file again.
        Empty(*b);
        return CacheStatus::kWriteFailed;
    }
    return CacheStatus::kOk;
}

CacheStatus BlockCache::Flush() {
    for (int32_t i = oldest_; i != -1 && dirtyCount_ > 0; i = links_[i].newer) {
        if (buffers_[i].state != State::kDirty) continue;
        CacheStatus status = WriteBack(buffers_[i]);
        if (status != CacheStatus::kOk) return status;
    }
    return CacheStatus::kOk;
}

CacheStatus BlockCache::WriteBackBlock(int64_t base) {
    Buffer *b = Find(base);
    if (b == nullptr || b->state != State::kDirty) return CacheStatus::kOk;
    return WriteBack(*b);
}

BlockCache::Buffer *BlockCache::Find(int64_t base) {
    const int32_t i = byBase_.Get(base);
    if (i == OffsetMap::kNone || buffers_[i].state == State::kReserved) return nullptr;
    return &buffers_[i];
}

CacheStatus BlockCache::TakeVictim(int64_t base, Buffer **out) {
    for (int32_t i = oldest_; i != -1; i = links_[i].newer) {
        Buffer &b = buffers_[i];
        if (b.state == State::kReserved) continue;
        // The victim's data area, unused since long, is where the file's bytes will go: its
        // lines are asked for now and arrive while the eviction's bookkeeping runs, instead of
        // being waited for by the read that fills them.
        const size_t area = std::min(b.data.size(), static_cast<size_t>(kPrefetchAreaBytes));
        for (size_t at = 0; at < area; at += 64)
            __builtin_prefetch(b.data.data() + at, 1);
        CacheStatus status = Evict(b);
        if (status != CacheStatus::kOk) return status;
        b.base = base;
        b.state = State::kReserved;
        byBase_.Put(base, i);
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
            b.data.resize(static_cast<size_t>(RoundUpToGrain(newEnd)));
        } catch (const std::exception &) {
            return CacheStatus::kNoBuffer;
        }
    }
    // Keep the buffers disjoint: whoever holds the bytes b is about to cover gives them up.
    while (Buffer *other = Overlapping(IndexOf(b), b.base + newStart, b.base + newEnd)) {
        if (other->state == State::kReserved) return CacheStatus::kNoBuffer;
        CacheStatus status = Evict(*other);
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
    SetRange(b, newStart, newEnd);
    return CacheStatus::kOk;
}

BlockCache::Buffer *BlockCache::Overlapping(int32_t except, int64_t from, int64_t to) {
    // Ranges are disjoint and indexed by their start, so only the last range starting before
    // from can reach into [from, to); after it, every range starting before to does.
    RangeIndex::Entry before, next;
    ranges_.Around(from, &before, &next);
    if (before.value != RangeIndex::kNone && before.value != except) {
        if (rangeEnds_[before.value] > from) return &buffers_[before.value];
    }
    if (next.value != RangeIndex::kNone && next.value == except && next.key < to) {
        next = ranges_.AtOrAfter(next.key + 1);
    }
    if (next.value != RangeIndex::kNone && next.key < to) return &buffers_[next.value];
    return nullptr;
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
    if (b.state != State::kDirty || b.dirtyEnd <= b.dirtyStart) {
        MarkClean(b);
        return CacheStatus::kOk;
    }
    b.writing = true;
    const CacheStatus status = WriteBackRun(b);
    b.writing = false;
    return status;
}

CacheStatus BlockCache::WriteBackRun(Buffer &b) {
    // The run of dirty buffers that continue one another in the file, b among them.
    Buffer *first = &b;
    int64_t bytes = b.dirtyEnd - b.dirtyStart;
    int members = 1;
    for (Buffer *p = DirtyBefore(*first); p && members < kRunBuffers; p = DirtyBefore(*first)) {
        const int64_t more = p->dirtyEnd - p->dirtyStart;
        if (bytes + more > kRunBytes) break;
        first = p;
        bytes += more;
        ++members;
    }
    Buffer *last = &b;
    for (Buffer *p = DirtyAfter(*last); p && members < kRunBuffers; p = DirtyAfter(*last)) {
        const int64_t more = p->dirtyEnd - p->dirtyStart;
        if (bytes + more > kRunBytes) break;
        last = p;
        bytes += more;
        ++members;
    }
    Buffer *run[kRunBuffers];
    int count = 0;
    for (Buffer *x = first;; x = DirtyAfter(*x)) {
        run[count++] = x;
        if (x == last) break;
    }
    // Each member's awaited bytes must come earlier in the same write; otherwise b goes alone.
    for (int i = 0; i < count; ++i) {
        const Buffer *awaited = Awaited(*run[i]);
        if (awaited != nullptr && std::find(run, run + i, awaited) == run + i) {
            return WriteAlone(b);
        }
    }
    if (count == 1) return WriteAlone(b);
    int64_t gathered = 0;
    for (int i = 0; i < count; ++i) {
        const Buffer &x = *run[i];
        const int64_t length = x.dirtyEnd - x.dirtyStart;
        std::memcpy(run_.data() + gathered, x.data.data() + x.dirtyStart,
                    static_cast<size_t>(length));
        gathered += length;
    }
    if (file_->WriteAt(first->base + first->dirtyStart, run_.data(),
                       static_cast<size_t>(gathered)) != gathered) {
        return CacheStatus::kWriteFailed;  // every buffer of the run stays dirty
    }
    for (int i = 0; i < count; ++i)
        MarkClean(*run[i]);
    return CacheStatus::kOk;
}

// Writes b's dirty bytes with one write of their own, after the bytes b waits for.
CacheStatus BlockCache::WriteAlone(Buffer &b) {
    Buffer *awaited = Awaited(b);
    // A buffer whose write-back is already under way further up is where a loop of waits would
    // close; it cannot go first, so b goes without it.
    if (awaited != nullptr && !awaited->writing) {
        const CacheStatus status = WriteBack(*awaited);
        if (status != CacheStatus::kOk) return status;
        if (b.state != State::kDirty) return CacheStatus::kOk;  // it went along, in order
    }
    const int64_t n = b.dirtyEnd - b.dirtyStart;
    if (file_->WriteAt(b.base + b.dirtyStart, b.data.data() + b.dirtyStart,
                       static_cast<size_t>(n)) != n) {
        return CacheStatus::kWriteFailed;  // the buffer stays dirty: its bytes exist nowhere else
    }
    MarkClean(b);
    return CacheStatus::kOk;
}

BlockCache::Buffer *BlockCache::Awaited(const Buffer &b) {
    if (b.waitFor < 0) return nullptr;
    Buffer &awaited = buffers_[b.waitFor];
    const bool pending =
        &awaited != &b && awaited.state == State::kDirty && awaited.dirtySince == b.waitSince;
    return pending ? &awaited : nullptr;
}

CacheStatus BlockCache::OrderAfter(int64_t base, int64_t first) {
    Buffer *b = Find(base);
    Buffer *awaited = Find(first);
    if (b == nullptr || awaited == nullptr || b == awaited || b->state != State::kDirty ||
        awaited->state != State::kDirty) {
        return CacheStatus::kOk;
    }
    const Buffer *waiting = Awaited(*b);
    if (waiting != nullptr && waiting != awaited) return WriteBack(*awaited);
    b->waitFor = IndexOf(*awaited);
    b->waitSince = awaited->dirtySince;
    return CacheStatus::kOk;
}

CacheStatus BlockCache::SettleOrder(int64_t base) {
    Buffer *b = Find(base);
    if (b == nullptr || b->state != State::kDirty || Awaited(*b) == nullptr) {
        return CacheStatus::kOk;
    }
    return WriteBack(*b);
}

BlockCache::Buffer *BlockCache::DirtyAfter(const Buffer &b) {
    if (b.state != State::kDirty || b.dirtyEnd != b.end) return nullptr;
    const int32_t i = ranges_.Get(b.base + b.end);
    if (i == RangeIndex::kNone) return nullptr;
    Buffer &next = buffers_[i];
    return next.state == State::kDirty && next.dirtyStart == next.start ? &next : nullptr;
}

BlockCache::Buffer *BlockCache::DirtyBefore(const Buffer &b) {
    if (b.state != State::kDirty || b.dirtyStart != b.start) return nullptr;
    const int32_t i = ranges_.Before(b.base + b.start).value;
    if (i == RangeIndex::kNone) return nullptr;
    Buffer &previous = buffers_[i];
    const bool continues = previous.base + previous.end == b.base + b.start;
    return continues && previous.state == State::kDirty && previous.dirtyEnd == previous.end
               ? &previous
               : nullptr;
}

void BlockCache::MarkClean(Buffer &b) {
    if (b.state == State::kDirty) --dirtyCount_;
    b.state = State::kClean;
    b.dirtyStart = b.dirtyEnd = 0;
    b.waitFor = -1;
}

CacheStatus BlockCache::ReadFile(Buffer &b, int64_t from, int64_t to) {
    const int64_t n = to - from;
    uint8_t *dest = b.data.data() + from;
    if (PassingHolds(b.base, from, n)) {  // the file's bytes, already read
        std::memcpy(dest, passing_.data.data() + (from - passing_.from), static_cast<size_t>(n));
        return CacheStatus::kOk;
    }
    const int64_t got = file_->ReadAt(b.base + from, dest, static_cast<size_t>(n));
    if (got < 0) return CacheStatus::kReadFailed;
    if (got < n) {
        std::memset(dest + got, 0, static_cast<size_t>(n - got));  // past the end
        b.madeUpFrom = std::min(b.madeUpFrom, from + got);
    }
    return CacheStatus::kOk;
}

void BlockCache::MarkDirty(Buffer &b, int64_t from, int64_t to) {
    if (b.state == State::kDirty) {
        b.dirtyStart = std::min(b.dirtyStart, from);
        b.dirtyEnd = std::max(b.dirtyEnd, to);
        return;
    }
    b.dirtyStart = from;
    b.dirtyEnd = to;
    b.state = State::kDirty;
    b.dirtySince = ++dirtySpells_;
    b.waitFor = -1;
    ++dirtyCount_;
}

// Sets b's valid range (not empty), keeping its entry in ranges_ keyed by the range's file start.
void BlockCache::SetRange(Buffer &b, int64_t start, int64_t end) {
    // A buffer holding bytes of the passing block ends it: from now on they may change there.
    if (passing_.base >= 0 && b.base + start < passing_.base + passing_.to &&
        passing_.base + passing_.from < b.base + end) {
        passing_.base = -1;
    }
    const int64_t key = b.base + start;
    const bool indexed = b.end > b.start;
    if (!indexed || b.base + b.start != key) {
        if (indexed) ranges_.Erase(b.base + b.start);
        ranges_.Insert(key, IndexOf(b));
    }
    b.start = start;
    b.end = end;
    rangeEnds_[IndexOf(b)] = b.base + end;
}

bool BlockCache::LoadPassing(int64_t base, int64_t from, int64_t to) {
    passing_.base = -1;
    const int64_t n = to - from;
    if (static_cast<int64_t>(passing_.data.size()) < n) {
        try {
            passing_.data.resize(static_cast<size_t>(RoundUpToGrain(n)));
        } catch (const std::exception &) {
            return false;
        }
    }
    if (file_->ReadAt(base + from, passing_.data.data(), static_cast<size_t>(n)) != n) return false;
    passing_.base = base;
    passing_.from = from;
    passing_.to = to;
    return true;
}

bool BlockCache::LoadedRecently(int64_t base) {
    // Fibonacci hashing: block offsets a record length apart spread over the whole table.
    const uint64_t hash = static_cast<uint64_t>(base) * 0x9E3779B97F4A7C15ull;
    int64_t &slot = recentLoads_[static_cast<size_t>(hash >> 54)];
    static_assert(kRecentLoads == size_t{1} << 10);
    if (slot == base) {
        slot = -1;
        return true;
    }
    slot = base;
    return false;
}

// Empties b and makes it the least recently used, so empty buffers are taken first.
void BlockCache::Empty(Buffer &b) {
    if (b.base >= 0 && byBase_.Get(b.base) == IndexOf(b)) byBase_.Erase(b.base);
    if (b.end > b.start) ranges_.Erase(b.base + b.start);
    if (b.state == State::kDirty) --dirtyCount_;
    b.base = -1;
    b.madeUpFrom = INT64_MAX;
    b.start = b.end = 0;
    b.dirtyStart = b.dirtyEnd = 0;
    b.state = State::kClean;
    b.waitFor = -1;
    const int32_t i = IndexOf(b);
    if (oldest_ == i) return;
    Unlink(i);
    links_[i].newer = oldest_;
    links_[oldest_].older = i;
    oldest_ = i;
}

void BlockCache::Touch(Buffer &b) {
    const int32_t i = IndexOf(b);
    if (newest_ != i) {
        Unlink(i);
        links_[i].older = newest_;
        links_[newest_].newer = i;
        newest_ = i;
    }
    // The next miss takes the oldest buffer: its line is asked for now, while the caller goes on
    // with other work, instead of when that miss waits for it.
    if (oldest_ != -1) __builtin_prefetch(&buffers_[oldest_]);
}

// Takes buffer i out of the LRU list (it is not alone in it).
void BlockCache::Unlink(int32_t i) {
    Link &l = links_[i];
    if (l.newer != -1) links_[l.newer].older = l.older;
    if (l.older != -1) links_[l.older].newer = l.newer;
    if (newest_ == i) newest_ = l.older;
    if (oldest_ == i) oldest_ = l.newer;
    l.newer = l.older = -1;
}

}  // namespace kw::engine
