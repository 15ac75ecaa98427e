// The page buffers of one open index file: a fixed number of P-byte buffers kept in least-recently
// used order, each holding one page of the file (or none). A page is used through a PageRef, which
// pins its buffer so nothing evicts it while the tree works on it; a pool of 4 buffers is enough
// for every tree operation, which pins at most 4 pages at once.
//
// Write modes: 2 defers page writes until the buffer is reused, Flush or Close; any other value
// writes a changed page as soon as it is released. A page is checked (page::CheckPage) whenever
// it is read from the file, so a buffer only ever holds a consistent page.
//
// A fresh buffer (TakeFresh) holds no page: the tree builds a page in it and then lets it take
// over a page offset (AssignOffset), which makes any other buffer of that offset forget its stale
// copy. A fresh buffer released without an offset simply returns to the pool.
//
// Deferred pages that lie next to each other in the file (pages appended by splits one after
// another) are written together: writing one back writes its dirty neighbours with it.
//
// Result codes: 0; 304 page offset not a page of the file (or a page the file is too short for);
// 305 no unpinned buffer; 308 a page read from the file is inconsistent; 402 a read or write
// failed.
#pragma once

#include <cstdint>
#include <vector>

#include "offset_map.h"
#include "platform/file.h"

namespace kw::engine {

class PagePool;

// A pinned page buffer; move-only. Dropping it unpins without writing (a changed page stays dirty
// and is written later); PagePool::Release applies the write rule.
class PageRef {
  public:
    PageRef() = default;
    PageRef(PageRef &&other) noexcept;
    PageRef &operator=(PageRef &&other) noexcept;
    PageRef(const PageRef &) = delete;
    PageRef &operator=(const PageRef &) = delete;
    ~PageRef() { Unpin(); }

    explicit operator bool() const { return pool_ != nullptr; }
    uint8_t *Data() const;
    // Page offset held, -1 for a fresh buffer.
    int32_t Offset() const;
    void MarkDirty();
    void Unpin();

  private:
    friend class PagePool;
    PagePool *pool_ = nullptr;
    int32_t slot_ = -1;
};

class PagePool {
  public:
    PagePool(platform::RandomAccessFile *file, int32_t pageSize, int32_t bufferCount,
             int32_t writeMode);
    PagePool(const PagePool &) = delete;
    PagePool &operator=(const PagePool &) = delete;

    // Pins the page at offset, reading it when no buffer holds it. Pages lie at multiples of the
    // page size from one page size up to, not including, end.
    int Fetch(int32_t offset, int32_t end, PageRef *out);
    // The bytes of the page at offset when a buffer holds it (made most recently used), else
    // null; nothing is read. Good until the next call on the pool.
    const uint8_t *Peek(int32_t offset);
    // Pins an empty buffer that holds no page.
    int TakeFresh(PageRef *out);
    // The fresh buffer now holds the page at offset (dirty); another buffer holding that offset
    // forgets it.
    void AssignOffset(PageRef &fresh, int32_t offset);
    // Unpins after a change: a dirty page is written now unless writes are deferred. 0 or 402
    // (the buffer then stays dirty).
    int Release(PageRef &page);
    // Writes every dirty buffer, least recently used first; they become clean. 0 or 402 (the
    // first failure; the other buffers are still written).
    int Flush();
    // Forgets the page at offset without writing it (its bytes in the file were replaced).
    void Forget(int32_t offset);
    // Forgets every page without writing (the tree was reset).
    void ForgetAll();

    int32_t BufferCount() const { return static_cast<int32_t>(buffers_.size()); }
    int32_t DirtyCount() const;
    // False when no buffer can hold a page changed since the file (or the cache above it) last
    // got it: every page changed since has been written by a Flush that fully succeeded. A
    // reader that has the file's bytes at hand then need not ask the pool (Peek) first.
    bool MayHoldChanges() const { return mayHoldChanges_; }

  private:
    friend class PageRef;
    struct Buffer {
        int32_t offset = -1;  // page held, -1 none
        int32_t pins = 0;
        bool dirty = false;
        int32_t newer = -1;  // LRU links: toward the most recently used end
        int32_t older = -1;
    };

    uint8_t *SlotData(int32_t slot) { return data_.data() + static_cast<size_t>(slot) * pageSize_; }
    void Unlink(int32_t slot);
    void MakeNewest(int32_t slot);
    void MakeOldest(int32_t slot);
    // Writes the page of slot, with the dirty unpinned pages next to it in the file (up to
    // 16 in all) in the same write; every page written becomes clean.
    int WriteBack(int32_t slot);
    // The slot holding the dirty unpinned page at offset, or -1.
    int32_t DirtySlotAt(int64_t offset) const;
    // Chooses the least recently used unpinned buffer, writing it back when dirty.
    int Victim(int32_t *slot);
    void Pin(int32_t slot, PageRef *out);
    void Drop(int32_t slot);

    platform::RandomAccessFile *file_;
    int32_t pageSize_;
    int32_t writeMode_;
    std::vector<uint8_t> data_;
    std::vector<uint8_t> run_;  // neighbouring dirty pages gathered for one write
    std::vector<Buffer> buffers_;
    OffsetMap byOffset_;  // page offset -> slot of every buffer holding a page
    int32_t newest_ = -1;
    int32_t oldest_ = -1;
    bool mayHoldChanges_ = false;  // set by every change, cleared by a Flush with no failure
};

}  // namespace kw::engine
