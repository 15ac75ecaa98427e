// The byte layout of a record store file NAME.dat, and the encoding of its two fixed headers.
// All integers are 32-bit signed little-endian. Every offset in the file ("record reference") is
// a 32-bit signed value; -1 means none.
//
// File picture:
//
//   0        32                      R       R+24             R+24+capacity
//   +--------+-----------------------+-------+----------------+------------------
//   | store  | blocks, one after the | block | data area      | next block ...
//   | header | other, up to `end`    | header| (capacity)     |
//   +--------+-----------------------+-------+----------------+------------------
//
// Store header, file offset 0:
//
//   OFFSET  SIZE  MEANING
//   0       4     magic 0x00072254 (0 in a file never written: it is initialised at open)
//   4       4     end: where the next block appended at the end starts (32 in a new store)
//   8       4     reference of the free-list block, -1 if none
//   12      4     serial counter: the U-field value of the next added record
//   16      4     first record block of the chain, -1 if none
//   20      4     last record block of the chain, -1 if none
//   24      8     reserved, written as zeros
//
// Block header, at the block's reference R (its data area follows at R+24):
//
//   OFFSET  SIZE  MEANING
//   R+0     4     magic 0x00072254
//   R+4     4     capacity: bytes of the data area
//   R+8     4     used length: bytes of the data area in use
//   R+12    4     use count: 1 for a live block; 0 once freed (never handed out as a record)
//   R+16    4     next block in the record chain, -1 at the end
//   R+20    4     previous block in the record chain, -1 at the start
//
// A record block holds one record (used length = the table's record length). The free-list block
// is an ordinary block outside the chain; its data area is:
//
//   OFFSET  SIZE  MEANING
//   0       8     head: the values -1 and 0
//   8+8k    4     entry k: offset of a free block, -1 when the entry is empty
//   12+8k   4     entry k: capacity of that free block (0 when empty)
//
// Blocks are never returned to the file system: the file only grows, and `end` only moves back
// to 32 when the store is reset (old bytes stay, unreachable, and are overwritten later).
#pragma once

#include <cstdint>

#include "record_store.h"

namespace kw::engine {

inline constexpr int32_t kFreeListHeadSize = 8;
inline constexpr int32_t kFreeEntrySize = 8;
inline constexpr int32_t kFreeListFirstCapacity = 2048;
// A free block is reused whole when it would leave fewer spare bytes than this; otherwise it is
// split and the rest stays free.
inline constexpr int32_t kSplitMinimumSpare = 289;

inline int32_t GetInt32(const uint8_t *p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

inline void PutInt32(uint8_t *p, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline uint64_t GetUint64(const uint8_t *p) {
    return static_cast<uint32_t>(GetInt32(p)) |
           static_cast<uint64_t>(static_cast<uint32_t>(GetInt32(p + 4))) << 32;
}

inline void PutUint64(uint8_t *p, uint64_t value) {
    PutInt32(p, static_cast<int32_t>(static_cast<uint32_t>(value)));
    PutInt32(p + 4, static_cast<int32_t>(static_cast<uint32_t>(value >> 32)));
}

inline void EncodeStoreHeader(const StoreHeader &h, uint8_t out[kStoreHeaderSize]) {
    PutInt32(out + 0, h.magic);
    PutInt32(out + 4, h.end);
    PutInt32(out + 8, h.freeList);
    PutInt32(out + 12, h.serial);
    PutInt32(out + 16, h.first);
    PutInt32(out + 20, h.last);
    PutInt32(out + 24, 0);
    PutInt32(out + 28, 0);
}

inline StoreHeader DecodeStoreHeader(const uint8_t in[kStoreHeaderSize]) {
    StoreHeader h;
    h.magic = GetInt32(in + 0);
    h.end = GetInt32(in + 4);
    h.freeList = GetInt32(in + 8);
    h.serial = GetInt32(in + 12);
    h.first = GetInt32(in + 16);
    h.last = GetInt32(in + 20);
    return h;
}

inline void EncodeBlockHeader(const BlockHeader &h, uint8_t out[kBlockHeaderSize]) {
    PutInt32(out + 0, h.magic);
    PutInt32(out + 4, h.capacity);
    PutInt32(out + 8, h.used);
    PutInt32(out + 12, h.useCount);
    PutInt32(out + 16, h.next);
    PutInt32(out + 20, h.prev);
}

inline BlockHeader DecodeBlockHeader(const uint8_t in[kBlockHeaderSize]) {
    BlockHeader h;
    h.magic = GetInt32(in + 0);
    h.capacity = GetInt32(in + 4);
    h.used = GetInt32(in + 8);
    h.useCount = GetInt32(in + 12);
    h.next = GetInt32(in + 16);
    h.prev = GetInt32(in + 20);
    return h;
}

}  // namespace kw::engine
