// Block allocation and release in the record store: appending at the end of the file, the
// free-list block (layout in store_layout.h) with first-fit reuse, the split rule and growth by
// doubling.
//
// What callers may rely on:
//  - Allocate(N) takes the first free entry (in list order) whose capacity is at least N; a
//    block that would keep fewer than kSplitMinimumSpare spare bytes is reused whole and its
//    entry emptied, a larger one is split (the entry keeps the rest: offset + N + 24, capacity
//    - N - 48). With no fitting entry the block is appended at `end`. The whole list is searched,
//    not only its first 2048 bytes, so freed blocks past the first 256 entries are reused too;
//    the in-memory hints only skip entries known to be empty or too small.
//  - An entry whose block is in use (a crash left the list older than the blocks) is emptied,
//    never handed out.
//  - Release unlinks the block from the chain, marks it freed (use count 0, so a stale reference
//    to it is refused instead of freeing it twice) and records it in the free list: appended
//    while the list block has room, else in the first empty entry, else the list moves to a new
//    block of twice the capacity at the end of the file, which also lists the old list block.
#include <algorithm>
#include <climits>

#include "record_store_impl.h"

namespace kw::engine {
namespace {

void EncodeEntry(uint8_t *out, int32_t offset, int32_t capacity) {
    PutInt32(out, offset);
    PutInt32(out + 4, capacity);
}

}  // namespace

int32_t RecordStore::Impl::Allocate(int32_t dataSize, int32_t useCount) {
    if (dataSize <= 0) return Fail(STERR_OVERFLOW), -1;
    if (header.freeList != -1) {
        int32_t ref = -1;
        if (!TakeFreeEntry(dataSize, useCount, &ref)) return -1;
        if (ref != -1) return ref;
    }
    return Append(dataSize, useCount);
}

int32_t RecordStore::Impl::Append(int32_t dataSize, int32_t useCount) {
    if (header.end < kStoreHeaderSize) return Fail(STERR_BADBLOCK), -1;  // damaged header
    const int64_t newEnd = int64_t{header.end} + kBlockHeaderSize + dataSize;
    if (newEnd > INT32_MAX) return Fail(STERR_OVERFLOW), -1;  // references are 32-bit
    const int32_t ref = header.end;
    header.end = static_cast<int32_t>(newEnd);
    if (!WriteHeader()) {
        header.end = ref;
        return -1;
    }
    BlockHeader h;
    h.capacity = dataSize;
    h.useCount = useCount;
    if (!WriteBlock(ref, h)) return -1;
    return ref;
}

bool RecordStore::Impl::ReadFreeList(BlockHeader *out) {
    if (!ReadBlock(header.freeList, out)) return false;
    if (out->capacity < kFreeListHeadSize + kFreeEntrySize || out->used < kFreeListHeadSize) {
        return Fail(STERR_BADBLOCK);
    }
    return true;
}

// Whether a well-formed block in use starts at offset. A freed block carries use count 0 and a
// split remainder has no header of its own, so only a stale entry meets this.
bool RecordStore::Impl::HoldsLiveBlock(int32_t offset) {
    uint8_t raw[kBlockHeaderSize];
    if (cache->Read(offset, 0, raw, kBlockHeaderSize) != CacheStatus::kOk) return false;
    const BlockHeader h = DecodeBlockHeader(raw);
    return h.magic == kStoreMagic && h.useCount >= 1 && h.capacity >= 0 && h.used >= 0 &&
           h.used <= h.capacity;
}

// Sets *ref to the reused block, or to -1 when no entry fits.
bool RecordStore::Impl::TakeFreeEntry(int32_t dataSize, int32_t useCount, int32_t *ref) {
    *ref = -1;
    if (dataSize >= smallestMiss) return true;
    BlockHeader list;
    if (!ReadFreeList(&list)) return false;
    bool allEmptySoFar = true;
    for (int32_t pos = std::max(freeScanStart, kFreeListHeadSize);
         pos + kFreeEntrySize <= list.used;) {
        const int32_t chunk =
            std::min(kCacheUnit, (list.used - pos) / kFreeEntrySize * kFreeEntrySize);
        if (!ReadArea(header.freeList, pos, scratch, chunk)) return false;
        for (int32_t i = 0; i < chunk; i += kFreeEntrySize) {
            const int32_t at = pos + i;
            const int32_t offset = GetInt32(scratch + i);
            const int32_t capacity = GetInt32(scratch + i + 4);
            const bool leadsEmptyRun = allEmptySoFar;
            if (offset == -1) {
                if (allEmptySoFar) freeScanStart = at + kFreeEntrySize;
                continue;
            }
            allEmptySoFar = false;
            if (capacity < dataSize) continue;
            if (!IsBlockRef(offset) || offset == header.freeList ||
                int64_t{offset} + kBlockHeaderSize + capacity > header.end) {
                return Fail(STERR_BADBLOCK);  // a damaged entry must not hand out live bytes
            }
            if (HoldsLiveBlock(offset)) {
                // A stale entry: a crash wrote the block's reuse but not the list. Handing it
                // out again would overwrite a record that is in the chain; forget the entry.
                uint8_t emptied[kFreeEntrySize];
                EncodeEntry(emptied, -1, 0);
                if (!WriteArea(header.freeList, at, emptied, kFreeEntrySize)) return false;
                continue;
            }
            uint8_t entry[kFreeEntrySize];
            BlockHeader taken;
            taken.useCount = useCount;
            if (capacity - dataSize < kSplitMinimumSpare) {
                EncodeEntry(entry, -1, 0);
                taken.capacity = capacity;
                if (leadsEmptyRun) freeScanStart = at + kFreeEntrySize;
            } else {
                EncodeEntry(entry, offset + dataSize + kBlockHeaderSize,
                            capacity - dataSize - 2 * kBlockHeaderSize);
                taken.capacity = dataSize;
            }
            if (!WriteArea(header.freeList, at, entry, kFreeEntrySize)) return false;
            if (!WriteBlock(offset, taken)) return false;
            *ref = offset;
            return true;
        }
        pos += chunk;
    }
    smallestMiss = dataSize;
    return true;
}

bool RecordStore::Impl::Release(int32_t ref) {
    if (ref == header.freeList) return Fail(STERR_BADBLOCK);
    BlockHeader h;
    if (!ReadBlock(ref, &h)) return false;
    if (h.useCount < 1) return Fail(STERR_BADBLOCK);  // already free
    if (h.useCount >= 2) {
        --h.useCount;
        return WriteBlock(ref, h);
    }
    // A damaged free list is found before the chain is touched, so the delete changes nothing.
    BlockHeader list;
    if (header.freeList != -1 && !ReadFreeList(&list)) return false;
    // A block still held back behind the link to it goes now, before the unlink changes that
    // link, so the freed mark below is not what first puts the block in the file.
    if (cache->SettleOrder(ref) != CacheStatus::kOk) return Fail(STERR_WRITE);
    if (!Unlink(ref, h)) return false;
    // The freed mark reaches the file before the links around the block can: a kill in between
    // leaves a link to a freed block, which the next start finds and repairs, and never a
    // deleted record outside the chain that a later recovery would bring back.
    h.useCount = 0;
    if (!WriteBlockNow(ref, h)) return false;
    return ReleaseUnlinked(ref, h.capacity);
}

bool RecordStore::Impl::ReleaseUnlinked(int32_t ref, int32_t capacity) {
    return AddFreeEntry(ref, capacity) && WriteHeader();
}

bool RecordStore::Impl::Unlink(int32_t ref, const BlockHeader &h) {
    if (h.next == ref || h.prev == ref) return Fail(STERR_BADBLOCK);
    BlockHeader neighbour;
    if (h.next != -1) {
        if (!ReadBlock(h.next, &neighbour)) return false;
        neighbour.prev = h.prev;
        if (!WriteBlock(h.next, neighbour)) return false;
    }
    if (h.prev != -1) {
        if (!ReadBlock(h.prev, &neighbour)) return false;
        neighbour.next = h.next;
        if (!WriteBlock(h.prev, neighbour)) return false;
    }
    const bool wasFirst = header.first == ref;
    const bool wasLast = header.last == ref;
    if (wasFirst) header.first = h.next;
    if (wasLast) header.last = h.prev;
    return !(wasFirst || wasLast) || WriteHeader();
}

bool RecordStore::Impl::AddFreeEntry(int32_t ref, int32_t capacity) {
    uint8_t entry[kFreeEntrySize];
    EncodeEntry(entry, ref, capacity);
    smallestMiss = INT32_MAX;
    if (header.freeList == -1) {
        const int32_t created = Append(kFreeListFirstCapacity);
        if (created == -1) return false;
        BlockHeader h;
        h.capacity = kFreeListFirstCapacity;
        uint8_t head[kFreeListHeadSize];
        EncodeEntry(head, -1, 0);
        if (!PutData(created, h, 0, head, kFreeListHeadSize)) return false;
        header.freeList = created;
        ForgetFreeListHints();
        if (!WriteHeader()) return false;
    }
    BlockHeader list;
    if (!ReadFreeList(&list)) return false;
    if (int64_t{list.used} + kFreeEntrySize < list.capacity) {
        return PutData(header.freeList, list, list.used, entry, kFreeEntrySize);
    }
    int32_t empty = -1;
    if (!FindEmptyEntry(list, &empty)) return false;
    if (empty != -1) {
        freeScanStart = std::min(freeScanStart, empty);
        return WriteArea(header.freeList, empty, entry, kFreeEntrySize);
    }
    return GrowFreeList(list, entry);
}

// Sets *position to the first empty entry, or to -1 when there is none.
bool RecordStore::Impl::FindEmptyEntry(const BlockHeader &list, int32_t *position) {
    *position = -1;
    if (freeScanStart > kFreeListHeadSize) {  // the entries before it are all empty
        *position = kFreeListHeadSize;
        return true;
    }
    for (int32_t pos = kFreeListHeadSize; pos + kFreeEntrySize <= list.used;) {
        const int32_t chunk =
            std::min(kCacheUnit, (list.used - pos) / kFreeEntrySize * kFreeEntrySize);
        if (!ReadArea(header.freeList, pos, scratch, chunk)) return false;
        for (int32_t i = 0; i < chunk; i += kFreeEntrySize) {
            if (GetInt32(scratch + i) == -1) {
                *position = pos + i;
                return true;
            }
        }
        pos += chunk;
    }
    return true;
}

// Moves the full list to a new block of twice its capacity at the end of the file; the new
// block is complete before the store header names it.
bool RecordStore::Impl::GrowFreeList(const BlockHeader &old, const uint8_t entry[kFreeEntrySize]) {
    if (header.end < kStoreHeaderSize) return Fail(STERR_BADBLOCK);
    const int64_t capacity = int64_t{old.capacity} * 2;
    const int64_t newEnd = int64_t{header.end} + kBlockHeaderSize + capacity;
    if (newEnd > INT32_MAX) return Fail(STERR_OVERFLOW);
    const int32_t oldRef = header.freeList;
    const int32_t newRef = header.end;

    BlockHeader grown;
    grown.capacity = static_cast<int32_t>(capacity);
    grown.used = old.used;
    if (!WriteBlock(newRef, grown)) return false;
    for (int32_t pos = 0; pos < old.used; pos += kCacheUnit) {
        const int32_t n = std::min(kCacheUnit, old.used - pos);
        if (!ReadArea(oldRef, pos, scratch, n) || !WriteArea(newRef, pos, scratch, n)) {
            return false;
        }
    }
    uint8_t entries[2 * kFreeEntrySize];
    std::copy(entry, entry + kFreeEntrySize, entries);
    EncodeEntry(entries + kFreeEntrySize, oldRef, old.capacity);
    if (!PutData(newRef, grown, old.used, entries, sizeof entries)) return false;

    const StoreHeader before = header;
    header.end = static_cast<int32_t>(newEnd);
    header.freeList = newRef;
    if (!WriteHeader()) {
        header = before;
        return false;
    }
    BlockHeader retired = old;  // the old list block is now an ordinary free block
    retired.useCount = 0;
    const int32_t error = lastError;
    WriteBlock(oldRef, retired);
    lastError = error;
    return true;
}

}  // namespace kw::engine
