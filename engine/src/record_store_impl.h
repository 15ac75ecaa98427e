// The private state of a RecordStore and the checked block primitives that record_store.cc
// (header, record chain) and store_free_list.cc (allocation and release) share.
//
// Invariants the primitives keep:
//  1. Every block reference used is checked first: at or after the store header and with its
//     whole header before `end` (IsBlockRef); ReadBlock additionally checks the magic, that the
//     capacity lies within `end`, that used <= capacity and that both links are -1 or block
//     references. Arithmetic on references is done in 64 bits, so no damaged value overflows.
//  2. Every failing primitive sets lastError (403 unreadable or damaged block, 402 a write
//     failed, 404 outside a block's capacity) and returns false.
//  3. The header in memory is the truth; WriteHeader copies it to the file through the cache.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>

#include "block_cache.h"
#include "kwdata.h"
#include "platform/file.h"
#include "record_store.h"
#include "store_layout.h"

namespace kw::engine {

struct RecordStore::Impl {
    std::unique_ptr<platform::RandomAccessFile> file;
    std::unique_ptr<BlockCache> cache;
    StoreHeader header;
    int32_t lastError = 0;
    bool open = false;
    uint8_t scratch[kCacheUnit];  // free-list scans and copies go through it

    // Free-list scan hints, valid while the store is open (nobody else writes the file):
    // entries before freeScanStart are all empty, and no entry fits smallestMiss bytes or more
    // (INT32_MAX: unknown). Both are dropped whenever the free list changes identity.
    int32_t freeScanStart = kFreeListHeadSize;
    int32_t smallestMiss = INT32_MAX;

    bool Fail(int32_t code) {
        lastError = code;
        return false;
    }
    bool FailRead(CacheStatus status) {
        return Fail(status == CacheStatus::kWriteFailed ? STERR_WRITE : STERR_BADBLOCK);
    }

    bool IsBlockRef(int64_t ref) const {
        return ref >= kStoreHeaderSize && ref + kBlockHeaderSize <= header.end;
    }
    bool IsLink(int32_t link) const { return link == -1 || IsBlockRef(link); }
    // The checks ReadBlock makes of a block header read at ref (invariant 1).
    bool IsSoundBlock(int32_t ref, const BlockHeader &h) const {
        return h.magic == kStoreMagic && h.capacity >= 0 &&
               int64_t{ref} + kBlockHeaderSize + h.capacity <= header.end && h.used >= 0 &&
               h.used <= h.capacity && IsLink(h.next) && IsLink(h.prev);
    }
    int32_t MaxBlockCount() const {
        return header.end < kStoreHeaderSize ? 0
                                             : (header.end - kStoreHeaderSize) / kBlockHeaderSize;
    }

    bool WriteHeader();
    // Caches the header of block ref and the first dataLength bytes of its data area (no more
    // than the store's end) with one read when they are missing, so reading the header and then
    // the data costs one read. Damaged references are left to ReadBlock; a failure here only
    // means the bytes are read separately later.
    void LoadBlock(int32_t ref, int32_t dataLength);
    bool ReadBlock(int32_t ref, BlockHeader *out);
    // ReadBlock, and the block is a live record block (not freed, not the free-list block).
    bool ReadRecordBlock(int32_t ref, BlockHeader *out);
    bool WriteBlock(int32_t ref, const BlockHeader &h);
    // WriteBlock, and in deferred mode the block's buffer written back at once: for the one block
    // of a change that must reach the file before the others (see AddRecord and Release).
    bool WriteBlockNow(int32_t ref, const BlockHeader &h);
    // Bytes of the data area, unchecked against the block header (callers checked it).
    bool ReadArea(int32_t ref, int32_t position, void *out, int32_t length);
    bool WriteArea(int32_t ref, int32_t position, const void *data, int32_t length);
    // Writes into the data area of block ref whose header is h, raising its used length (and
    // rewriting h) when the write passes it.
    bool PutData(int32_t ref, BlockHeader &h, int32_t position, const void *data, int32_t length);

    // Allocation and release (store_free_list.cc). The new block's header carries useCount: 1
    // for a block about to hold a record, 0 for one that is listed as free again at once.
    int32_t Allocate(int32_t dataSize, int32_t useCount = 1);
    bool Release(int32_t ref);
    // Lists a freed block that never entered the chain (its header already says freed) in the
    // free list, and writes the store header, as Release does after unlinking.
    bool ReleaseUnlinked(int32_t ref, int32_t capacity);
    void ForgetFreeListHints() {
        freeScanStart = kFreeListHeadSize;
        smallestMiss = INT32_MAX;
    }

  private:
    int32_t Append(int32_t dataSize, int32_t useCount = 1);
    bool TakeFreeEntry(int32_t dataSize, int32_t useCount, int32_t *ref);
    bool HoldsLiveBlock(int32_t offset);
    bool Unlink(int32_t ref, const BlockHeader &h);
    bool AddFreeEntry(int32_t ref, int32_t capacity);
    bool FindEmptyEntry(const BlockHeader &list, int32_t *position);
    bool GrowFreeList(const BlockHeader &old, const uint8_t entry[kFreeEntrySize]);
    bool ReadFreeList(BlockHeader *out);
};

}  // namespace kw::engine
