// Scanning a record store block by block, for recovery: headers judged by their shape alone,
// relinking, finding the next block after bytes that belong to none, and raising the serial
// counter past the records found. The block header layout is in store_layout.h; FindBlock looks
// for its first field, the magic 0x00072254, as the bytes 54 22 07 00.
//
// Why bytes can belong to no block: a split (store_free_list.cc) leaves the remainder at
// offset + N + 24 with capacity - N - 48, so 24 bytes between the remainder's end and the next
// block are never a block, and the remainder itself has no header until it is handed out.
// Stepping from block to block by capacity therefore meets gaps, which FindBlock steps over.
#include <algorithm>
#include <cstring>
#include <vector>

#include "record_store_impl.h"

namespace kw::engine {
namespace {

constexpr int64_t kScanChunk = 64 * 1024;

bool ShapedLikeBlock(const BlockHeader &h, int64_t ref, int64_t end) {
    return h.magic == kStoreMagic && h.capacity >= 0 &&
           ref + kBlockHeaderSize + h.capacity <= end && h.used >= 0 && h.used <= h.capacity;
}

}  // namespace

bool RecordStore::ReadScannedBlock(int32_t ref, BlockHeader *out) {
    Impl &s = *impl_;
    if (!s.open || !s.IsBlockRef(ref)) return s.Fail(STERR_BADBLOCK);
    uint8_t raw[kBlockHeaderSize];
    const CacheStatus status = s.cache->Read(ref, 0, raw, kBlockHeaderSize);
    if (status != CacheStatus::kOk) return s.FailRead(status);
    if (s.cache->LastReadPastEnd()) return s.Fail(STERR_BADBLOCK);  // cut off by the file's end
    const BlockHeader h = DecodeBlockHeader(raw);
    if (!ShapedLikeBlock(h, ref, s.header.end)) return s.Fail(STERR_BADBLOCK);
    *out = h;
    return true;
}

bool RecordStore::RelinkBlock(int32_t ref, int32_t prev, int32_t next) {
    Impl &s = *impl_;
    BlockHeader h;
    if (!ReadScannedBlock(ref, &h)) return false;
    if (!s.IsLink(prev) || !s.IsLink(next)) return s.Fail(STERR_BADBLOCK);
    h.prev = prev;
    h.next = next;
    return s.WriteBlock(ref, h);
}

bool RecordStore::FindBlock(int64_t from, int32_t *ref) {
    Impl &s = *impl_;
    *ref = -1;
    if (!s.open) return s.Fail(STERR_BADBLOCK);
    if (s.cache->Flush() != CacheStatus::kOk) return s.Fail(STERR_FLUSH);
    const int64_t end = s.header.end;
    std::vector<uint8_t> chunk(static_cast<size_t>(kScanChunk));
    const uint8_t magic[4] = {
        static_cast<uint8_t>(kStoreMagic), static_cast<uint8_t>(kStoreMagic >> 8),
        static_cast<uint8_t>(kStoreMagic >> 16), static_cast<uint8_t>(kStoreMagic >> 24)};
    for (int64_t position = std::max<int64_t>(from, kStoreHeaderSize);
         position + kBlockHeaderSize <= end;) {
        const int64_t wanted = std::min(kScanChunk, end - position);
        const int64_t got = s.file->ReadAt(position, chunk.data(), static_cast<size_t>(wanted));
        if (got < 0) return s.Fail(STERR_BADBLOCK);
        // memchr for the magic's first byte, not a compare at every byte: a damaged end can
        // make the file hundreds of megabytes of zeros, which the scan must cross quickly.
        const uint8_t *bytes = chunk.data();
        for (int64_t i = 0; i + 4 <= got; ++i) {
            const void *hit = std::memchr(bytes + i, magic[0], static_cast<size_t>(got - 3 - i));
            if (hit == nullptr) break;
            i = static_cast<const uint8_t *>(hit) - bytes;
            if (std::memcmp(bytes + i, magic, sizeof magic) != 0) continue;
            BlockHeader h;
            const int32_t error = s.lastError;
            if (ReadScannedBlock(static_cast<int32_t>(position + i), &h) && h.useCount >= 0 &&
                h.useCount <= 1) {
                *ref = static_cast<int32_t>(position + i);
                return true;
            }
            s.lastError = error;
        }
        if (got < wanted) break;  // the file ends before the store's end
        position += std::max<int64_t>(got - 3, 1);
    }
    return true;
}

bool RecordStore::RetireCutOff(int32_t position, bool *retired) {
    Impl &s = *impl_;
    *retired = false;
    if (!s.open || !s.IsBlockRef(position)) return s.Fail(STERR_BADBLOCK);
    // Dirty buffers first, so the file's size counts every byte this run has written.
    if (s.cache->Flush() != CacheStatus::kOk) return s.Fail(STERR_FLUSH);
    const int64_t size = s.file->Size();
    if (size < 0) return s.Fail(STERR_BADBLOCK);
    if (position >= size) return true;  // nothing of it reached the file
    uint8_t raw[kBlockHeaderSize];
    if (int64_t{position} + kBlockHeaderSize > size) {
        // A header cut off: erase what there is of it, but only what begins as a block header
        // (the magic, or as much of it as the file holds), never other bytes.
        const auto present = static_cast<size_t>(size - position);
        if (s.file->ReadAt(position, raw, present) != static_cast<int64_t>(present)) {
            return s.Fail(STERR_BADBLOCK);
        }
        uint8_t magic[4];
        PutInt32(magic, kStoreMagic);
        if (std::memcmp(raw, magic, std::min(present, sizeof magic)) != 0) return true;
        const uint8_t zeros[kBlockHeaderSize] = {};
        if (s.cache->Write(position, 0, zeros, static_cast<int64_t>(present)) != CacheStatus::kOk) {
            return s.Fail(STERR_WRITE);
        }
        *retired = true;
        return true;
    }
    if (s.file->ReadAt(position, raw, kBlockHeaderSize) != kBlockHeaderSize) {
        return s.Fail(STERR_BADBLOCK);
    }
    BlockHeader h = DecodeBlockHeader(raw);
    const bool block = h.magic == kStoreMagic && h.used >= 0 && h.used <= h.capacity;
    if (!block || int64_t{position} + kBlockHeaderSize + h.used <= size) return true;
    h.useCount = 0;
    h.next = h.prev = -1;
    if (!s.WriteBlock(position, h)) return false;
    *retired = true;
    return true;
}

bool RecordStore::RaiseSerial(uint32_t value) {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_WRITE);
    if (static_cast<uint32_t>(s.header.serial) >= value) return true;
    const int32_t old = s.header.serial;
    s.header.serial = static_cast<int32_t>(value);
    if (!s.WriteHeader()) {
        s.header.serial = old;
        return false;
    }
    return true;
}

}  // namespace kw::engine
