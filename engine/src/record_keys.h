// Keys as the record access layer builds them. A key is the concatenation of its index's parts,
// each copied byte for byte from the record at its offset for its length; every key of an index
// has the index's key length. Key buffers are kMaxKeyBuffer (255) bytes:
//
//   OFFSET      SIZE              MEANING
//   0           key length        the parts in key order (a non-unique index ends with the
//                                 4-byte U field, flagged KW_KEY_SERIAL)
//   key length  255 - key length  not part of the key
//
// What callers may rely on: none of these allocate, and none reads or writes outside the record
// (the parts were checked against their fields when the index was added) or the key buffer.
#pragma once

#include <cstdint>

#include "key_layout.h"

namespace kw::engine {

// The key of the record under layout, all parts included, into key (the first key length bytes
// are written).
void BuildKey(const KeyLayout &layout, const uint8_t *record, uint8_t *key);

// The key an exact search "from the record" uses: as BuildKey, but the part that holds the U
// field is left zero, so on a non-unique index the search lands before every record with the
// same field values.
void BuildSearchKey(const KeyLayout &layout, const uint8_t *record, uint8_t *key);

// A caller's search key: the whole 255-byte buffer is zeroed, then min(length, 255) bytes of
// key are copied and every copied a-z byte becomes A-Z, whatever the key class. A negative
// length copies nothing.
void PrepareCallerKey(const void *key, int32_t length, uint8_t *buffer);

// Whether two keys of layout have the same bytes.
bool SameKeyBytes(const KeyLayout &layout, const uint8_t *a, const uint8_t *b);

// Whether two records have equal keys under layout once their U-field parts are set aside (the
// index's own comparison decides, so under KW_KEY_NOCASE "Soup" and "SOUP" are the same).
bool SameSearchKey(const KeyLayout &layout, const uint8_t *recordA, const uint8_t *recordB);

}  // namespace kw::engine
