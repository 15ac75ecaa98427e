// The LRU page pool of one index file (see page_pool.h).
#include "page_pool.h"

#include <cstring>

#include "btree_page.h"
#include "dirty_run.h"

namespace kw::engine {
namespace {

// The most pages one write-back writes.
constexpr int64_t kRunPages = 16;

}  // namespace

PageRef::PageRef(PageRef &&other) noexcept : pool_(other.pool_), slot_(other.slot_) {
    other.pool_ = nullptr;
    other.slot_ = -1;
}

PageRef &PageRef::operator=(PageRef &&other) noexcept {
    if (this != &other) {
        Unpin();
        pool_ = other.pool_;
        slot_ = other.slot_;
        other.pool_ = nullptr;
        other.slot_ = -1;
    }
    return *this;
}

uint8_t *PageRef::Data() const {
    return pool_->SlotData(slot_);
}

int32_t PageRef::Offset() const {
    return pool_->buffers_[slot_].offset;
}

void PageRef::MarkDirty() {
    pool_->buffers_[slot_].dirty = true;
    pool_->mayHoldChanges_ = true;
}

void PageRef::Unpin() {
    if (!pool_) return;
    PagePool::Buffer &buffer = pool_->buffers_[slot_];
    --buffer.pins;
    if (buffer.offset < 0 && buffer.pins == 0) {
        // A fresh buffer that never received a page, or one whose page was taken over.
        buffer.dirty = false;
        pool_->MakeOldest(slot_);
    }
    pool_ = nullptr;
    slot_ = -1;
}

PagePool::PagePool(platform::RandomAccessFile *file, int32_t pageSize, int32_t bufferCount,
                   int32_t writeMode)
    : file_(file),
      pageSize_(pageSize),
      writeMode_(writeMode),
      byOffset_(bufferCount < 1 ? 1 : bufferCount) {
    if (bufferCount < 1) bufferCount = 1;
    data_.assign(static_cast<size_t>(bufferCount) * static_cast<size_t>(pageSize), 0);
    buffers_.resize(static_cast<size_t>(bufferCount));
    run_.assign(static_cast<size_t>(kRunPages) * static_cast<size_t>(pageSize), 0);
    for (int32_t slot = 0; slot < bufferCount; ++slot)
        MakeOldest(slot);
}

void PagePool::Unlink(int32_t slot) {
    Buffer &buffer = buffers_[slot];
    if (buffer.newer >= 0) {
        buffers_[buffer.newer].older = buffer.older;
    } else if (newest_ == slot) {
        newest_ = buffer.older;
    }
    if (buffer.older >= 0) {
        buffers_[buffer.older].newer = buffer.newer;
    } else if (oldest_ == slot) {
        oldest_ = buffer.newer;
    }
    buffer.newer = buffer.older = -1;
}

void PagePool::MakeNewest(int32_t slot) {
    if (newest_ == slot) return;
    Unlink(slot);
    Buffer &buffer = buffers_[slot];
    buffer.older = newest_;
    if (newest_ >= 0) buffers_[newest_].newer = slot;
    newest_ = slot;
    if (oldest_ < 0) oldest_ = slot;
}

void PagePool::MakeOldest(int32_t slot) {
    if (oldest_ == slot) return;
    Unlink(slot);
    Buffer &buffer = buffers_[slot];
    buffer.newer = oldest_;
    if (oldest_ >= 0) buffers_[oldest_].older = slot;
    oldest_ = slot;
    if (newest_ < 0) newest_ = slot;
}

int PagePool::WriteBack(int32_t slot) {
    Buffer &buffer = buffers_[slot];
    const int64_t page = pageSize_;
    int64_t from = buffer.offset;
    int64_t to = buffer.offset + page;
    GrowDirtyRun(
        page, kRunPages, [this](int64_t at) { return DirtySlotAt(at) >= 0; }, &from, &to);
    if (to - from == page) {
        if (file_->WriteAt(buffer.offset, SlotData(slot), static_cast<size_t>(page)) != page) {
            return 402;
        }
        buffer.dirty = false;
        return 0;
    }
    for (int64_t at = from; at < to; at += page) {
        const int32_t s = at == buffer.offset ? slot : DirtySlotAt(at);
        std::memcpy(run_.data() + (at - from), SlotData(s), static_cast<size_t>(page));
    }
    if (file_->WriteAt(from, run_.data(), static_cast<size_t>(to - from)) != to - from) {
        return 402;  // every page of the run stays dirty
    }
    for (int64_t at = from; at < to; at += page) {
        const int32_t s = at == buffer.offset ? slot : DirtySlotAt(at);
        buffers_[s].dirty = false;
    }
    return 0;
}

int32_t PagePool::DirtySlotAt(int64_t offset) const {
    if (offset <= 0) return -1;
    const int32_t s = byOffset_.Get(offset);
    if (s == OffsetMap::kNone) return -1;
    const Buffer &b = buffers_[s];
    return b.dirty && b.pins == 0 ? s : -1;
}

int PagePool::Victim(int32_t *slot) {
    for (int32_t s = oldest_; s >= 0; s = buffers_[s].newer) {
        Buffer &buffer = buffers_[s];
        if (buffer.pins > 0) continue;
        if (buffer.dirty && buffer.offset >= 0) {
            const int rc = WriteBack(s);
            if (rc != 0) return rc;
        }
        Drop(s);
        *slot = s;
        return 0;
    }
    return 305;
}

void PagePool::Drop(int32_t slot) {
    Buffer &buffer = buffers_[slot];
    if (buffer.offset >= 0) byOffset_.Erase(buffer.offset);
    buffer.offset = -1;
    buffer.dirty = false;
}

void PagePool::Pin(int32_t slot, PageRef *out) {
    ++buffers_[slot].pins;
    MakeNewest(slot);
    *out = PageRef();
    out->pool_ = this;
    out->slot_ = slot;
}

int PagePool::Fetch(int32_t offset, int32_t end, PageRef *out) {
    if (offset <= 0 || offset >= end || offset % pageSize_ != 0) return 304;
    if (const int32_t held = byOffset_.Get(offset); held != OffsetMap::kNone) {
        Pin(held, out);
        return 0;
    }
    int32_t slot;
    if (const int rc = Victim(&slot); rc != 0) return rc;
    uint8_t *data = SlotData(slot);
    const int64_t got = file_->ReadAt(offset, data, static_cast<size_t>(pageSize_));
    int rc = got < 0 ? 402 : (got != pageSize_ ? 304 : page::CheckPage(data, pageSize_));
    if (rc != 0) {  // 304: the file ends inside or before the page
        MakeOldest(slot);
        return rc;
    }
    buffers_[slot].offset = offset;
    byOffset_.Put(offset, slot);
    Pin(slot, out);
    return 0;
}

const uint8_t *PagePool::Peek(int32_t offset) {
    const int32_t held = byOffset_.Get(offset);
    if (held == OffsetMap::kNone) return nullptr;
    MakeNewest(held);
    return SlotData(held);
}

int PagePool::TakeFresh(PageRef *out) {
    int32_t slot;
    if (const int rc = Victim(&slot); rc != 0) return rc;
    Pin(slot, out);
    return 0;
}

void PagePool::AssignOffset(PageRef &fresh, int32_t offset) {
    Forget(offset);
    Buffer &buffer = buffers_[fresh.slot_];
    buffer.offset = offset;
    buffer.dirty = true;
    mayHoldChanges_ = true;
    byOffset_.Put(offset, fresh.slot_);
}

int PagePool::Release(PageRef &page) {
    if (!page) return 0;
    const int32_t slot = page.slot_;
    int rc = 0;
    if (buffers_[slot].offset >= 0 && buffers_[slot].dirty && writeMode_ != 2) {
        rc = WriteBack(slot);
    }
    page.Unpin();
    return rc;
}

int PagePool::Flush() {
    int first = 0;
    for (int32_t s = oldest_; s >= 0; s = buffers_[s].newer) {
        if (!buffers_[s].dirty || buffers_[s].offset < 0) continue;
        const int rc = WriteBack(s);
        if (rc != 0 && first == 0) first = rc;
    }
    if (first == 0) mayHoldChanges_ = false;
    return first;
}

void PagePool::Forget(int32_t offset) {
    const int32_t slot = byOffset_.Get(offset);
    if (slot == OffsetMap::kNone) return;
    Drop(slot);
    if (buffers_[slot].pins == 0) MakeOldest(slot);
}

void PagePool::ForgetAll() {
    for (int32_t slot = 0; slot < BufferCount(); ++slot)
        Drop(slot);
}

int32_t PagePool::DirtyCount() const {
    int32_t count = 0;
    for (const Buffer &buffer : buffers_)
        count += buffer.dirty && buffer.offset >= 0;
    return count;
}

}  // namespace kw::engine
