// ResolvedField: one field of a table with its type letter and width looked up once, for loops
// that put the same fields into many records (an import of thousands of recipes). Each put is
// one engine call (KW_DBPutField) through CKWRecord's puts for a known type and width, where its
// typed puts first ask the engine for the field's type; the bytes written are exactly those the
// typed puts write (record.h):
//
//   PUT       FIELD TYPE     BYTES WRITTEN INTO A FIELD OF WIDTH W
//   PutText   any            the text, zero-padded to W; a text longer than W is refused with
//                            CKWRecord::kTextTooLong (511) and the record is unchanged
//   PutInt    I              the value's first min(W, 4) little-endian bytes, zero-padded to W
//             L (any other)  "T" for a non-zero value, "F" for 0, zero-padded to W
//   PutFloat  any            the float's 4 bytes, cut to W or zero-padded to W
//
// A field resolved through one record serves every record open on the same table. A put through
// a field that did not resolve returns the result of that Resolve and writes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/data/record.h"
#include "kwdata.h"

namespace kw {

class ResolvedField final {
  public:
    // Looks the field up on the table record is open on; the engine's result.
    KWRESULT Resolve(CKWRecord &record, const char *name);

    KWRESULT PutText(CKWRecord &record, std::string_view text) const;
    KWRESULT PutInt(CKWRecord &record, int32_t value) const;
    KWRESULT PutFloat(CKWRecord &record, float value) const;

    char Type() const { return type_; }
    int32_t Width() const { return width_; }

  private:
    const char *name_ = nullptr;
    KWRESULT resolved_ = CKWRecord::kNotOpen;
    char type_ = 0;
    int32_t width_ = 0;
};

}  // namespace kw
