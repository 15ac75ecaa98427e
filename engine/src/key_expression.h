// Index definitions and the key expression language that turns one into a KeyLayout. An index
// definition is 144 packed bytes:
//
//   OFFSET  SIZE  MEANING
//   0       1     index file number 0..99 (only names the file NAME.iNN)
//   1       139   key expression, NUL-terminated; only the first 136 characters are read
//   140     4     flags: KW_KEY_UNIQUE, key class (0x10 char, 0x20 int, 0x30 float),
//                 KW_KEY_SIGNED, KW_KEY_NOCASE
//
// Grammar:   expression = term { "+" term }
//            term       = field-name [ "(" start "," length ")" ]      start, length decimal
// A name ends at "+", "(" or the end of the text and must name a field exactly (case-sensitive).
// Length 0, or no parenthesis, means the whole field. A non-unique index gets the table's U field
// appended as a last whole-field part, so its keys are distinct.
//
// Results: 525 key class not 0x10/0x20/0x30; 503 no such field; 514 a part outside its field, a
// malformed term, or fields wider than 255 bytes together; 524 an F or I part that does not
// cover its whole field; 513 a non-unique index on a table without a U field.
//
// What callers may rely on: the first error ends the call, and the index slot stays in the table
// with the parts appended so far (the caller treats any setup failure as fatal).
#pragma once

#include <cstdint>

#include "key_layout.h"
#include "kwdata.h"
#include "slots.h"

namespace kw::engine {

inline constexpr size_t kMaxExpressionLength = 136;

// Appends an index slot for def to table (its number is written to *idx at once, when not null)
// and builds its key layout.
KWRESULT AddIndex(TableSlot &table, const KW_IndexDef *def, int32_t *idx);

// Builds the key layout of def over table into *layout, appending parts as it goes.
KWRESULT BuildKeyLayout(const TableSlot &table, const KW_IndexDef &def, KeyLayout *layout);

}  // namespace kw::engine
