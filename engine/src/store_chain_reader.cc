// The chain reader: ChainWalk's checks over bytes read from the file through a read-ahead window.
#include "store_chain_reader.h"

#include <algorithm>

#include "record_store_impl.h"

namespace kw::engine {
namespace {

constexpr int64_t kWindowBytes = 1 << 20;
// A block that starts this close behind the window's end continues a forward walk: the next
// window is a whole one. Further away (or behind) the block is read on its own.
constexpr int64_t kNearBytes = 64 * 1024;
constexpr int64_t kSingleReadBytes = 4096;

}  // namespace

ChainReader::ChainReader(RecordStore &store, int32_t recordLength)
    : store_(store), recordLength_(recordLength), loop_(store.MaxBlockCount()) {
    RecordStore::Impl &s = *store_.impl_;
    if (!s.open || recordLength_ <= 0) {
        Fail();
        return;
    }
    if (s.cache->Flush() != CacheStatus::kOk) {
        failed_ = true;
        s.Fail(STERR_FLUSH);
        return;
    }
    fileSize_ = s.file->Size();
    if (fileSize_ < 0) Fail();
}

bool ChainReader::Fail() {
    failed_ = true;
    return store_.impl_->Fail(STERR_BADBLOCK);
}

bool ChainReader::Bytes(int64_t offset, int64_t length, const uint8_t **out) {
    if (offset >= windowStart_ && offset + length <= windowEnd_) {
        *out = window_.data() + (offset - windowStart_);
        return true;
    }
    // Bytes the file does not hold: a block cut off by the file's end is damage to the walk.
    if (offset < 0 || offset + length > fileSize_) return false;
    const bool forward =
        windowEnd_ > windowStart_ && offset >= windowStart_ && offset < windowEnd_ + kNearBytes;
    const int64_t wanted =
        std::min(std::max(length, forward ? kWindowBytes : kSingleReadBytes), fileSize_ - offset);
    if (window_.size() < static_cast<size_t>(wanted)) window_.resize(static_cast<size_t>(wanted));
    windowStart_ = windowEnd_ = offset;
    const int64_t got =
        store_.impl_->file->ReadAt(offset, window_.data(), static_cast<size_t>(wanted));
    if (got < length) return false;
    windowEnd_ = offset + got;
    *out = window_.data();
    return true;
}

bool ChainReader::Next(int32_t *ref, const uint8_t **record) {
    if (failed_) return false;
    RecordStore::Impl &s = *store_.impl_;
    const int32_t r = started_ ? following_ : s.header.first;
    started_ = true;
    if (r == -1) {
        *ref = -1;
        return true;
    }
    if (loop_.Closes(r)) return Fail();
    if (r == s.header.freeList || !s.IsBlockRef(r)) return Fail();
    const uint8_t *raw;
    if (!Bytes(r, kBlockHeaderSize, &raw)) return Fail();
    const BlockHeader h = DecodeBlockHeader(raw);
    // Freed, self-linked, not pointing back at the block before, or not a whole record.
    if (!s.IsSoundBlock(r, h) || h.useCount < 1 || h.next == r || h.prev != returned_ ||
        h.used < recordLength_) {
        return Fail();
    }
    if (!Bytes(int64_t{r} + kBlockHeaderSize, recordLength_, record)) return Fail();
    following_ = h.next;
    returned_ = r;
    loop_.Visit(r);
    *ref = r;
    return true;
}

}  // namespace kw::engine
