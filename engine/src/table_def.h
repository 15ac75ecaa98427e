// Table definitions: validation of a KW_TableDef, the record layout derived from it, and the
// table slot it fills. Field descriptors are 20 packed bytes:
//
//   OFFSET  SIZE  MEANING
//   0       11    name, NUL-terminated, 0 to 10 characters A-Z or '_' (else 600)
//   11      1     type letter C D F I L M U (any other: 516)
//   12      4     width: C 1..4096, F 4|8, I 2|4 (else 601); D, L, M, U forced to 8, 1, 10, 4
//   16      4     decimals, for display only (not read)
//
// Record layout: the fields lie in descriptor order from offset 0, each exactly its width, with
// no alignment, then one spare byte. At most one U field (a second gives 515); its offset is the
// table's serial offset.
//
// What callers may rely on: a validation failure leaves no table slot, though widths forced
// before the failing field stay written into the caller's descriptors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kwdata.h"
#include "slots.h"

namespace kw::engine {

inline constexpr int32_t kMaxFieldNameLength = 10;
inline constexpr int32_t kMaxCharFieldWidth = 4096;

// Validates def, forces fixed widths, takes the first dropped table slot (else a new one) and
// fills it. Writes the table number to *tbl (when not null) on success.
KWRESULT AddTable(DatabaseSlot &database, KW_TableDef *def, int32_t *tbl);

// The field name as stored in a descriptor (up to its NUL, at most 11 bytes).
std::string_view FieldName(const KW_FieldDef &field);
// The table name (up to its NUL, at most 12 bytes).
std::string TableName(const KW_TableDef &def);

// Position of the field named exactly name (case-sensitive), or -1.
int32_t FindField(const TableSlot &table, std::string_view name);
// Position of the table's U field, or -1.
int32_t FindSerialField(const TableSlot &table);

}  // namespace kw::engine
