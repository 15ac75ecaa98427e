// CKWRecord: one table instance — a record buffer of the table's record length with a current
// record — opened on a CKWTable, with typed field access on top of the engine's byte copies.
// Every method returns the engine's result unchanged, plus its own:
//
//   CODE  MEANING
//   509   the record is not open on a table (also Open of a null table)
//   510   Open while the record is already open on a table; nothing was done
//   511   PutString: the text is longer than the field's width; the record is unchanged
//
// Field values as stored (all little-endian, no alignment):
//
//   TYPE  WIDTH  STORED AS                     TYPED ACCESS
//   C     1-4096 text, zero-padded; no zero    GetString/PutString (text up to the first zero
//                when the text fills the field byte; a full-width field gives all its bytes)
//   I     2, 4   signed integer                GetInt/PutInt (GetShort/GetLong read the bytes)
//   F     4, 8   IEEE single / double          GetFloat/GetDouble, PutFloat/PutDouble
//   L     1      "T" or "F"                    GetInt gives 1 for "T" else 0; PutInt puts "T"
//                                              for non-zero, "F" for 0
//   U     4      serial, set by the engine     GetInt/GetLong
//
// Typed access never reads or writes past the field or the caller's value: a typed get of a field
// wider than the value takes the field's first bytes, a typed put into a wider field zero-pads
// it. The raw GetField/PutField copy exactly the field's width and need a buffer that large.
// Typed access allocates nothing but the text of GetString.
//
// A record belongs to whoever makes it and must not outlive its table. Close (or the
// destructor) closes the instance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "kwdata.h"

namespace kw {

class CKWDatabase;
class CKWTable;

class CKWRecord final {
  public:
    static constexpr KWRESULT kNotOpen = KWERR_NOTOPEN;
    static constexpr KWRESULT kAlreadyOpen = KWERR_INUSE;
    static constexpr KWRESULT kTextTooLong = 511;

    CKWRecord() = default;
    ~CKWRecord();
    CKWRecord(const CKWRecord &) = delete;
    CKWRecord &operator=(const CKWRecord &) = delete;

    // Opens an instance on table. On failure the record stays closed.
    KWRESULT Open(CKWTable *table);
    // Open on the database's table of that name (509 when there is none).
    KWRESULT OpenByName(CKWDatabase *database, const char *tableName);
    KWRESULT Close();

    KWRESULT QuickAdd();
    KWRESULT QuickUpdate();
    KWRESULT QuickDelete();
    KWRESULT Insert();
    KWRESULT Update();
    KWRESULT Delete();
    KWRESULT ClearRecord();
    KWRESULT GetRecordRef(int32_t *ref);
    KWRESULT GetRecordByRef(int32_t ref);

    // Raw copies of the field's full width (value must hold that many bytes).
    KWRESULT GetField(const char *field, void *value);
    KWRESULT PutField(const char *field, const void *value);
    // The field's type letter and width.
    KWRESULT GetFieldType(const char *field, char *type, int32_t *width);

    KWRESULT GetString(const char *field, std::string *text);
    KWRESULT GetInt(const char *field, int32_t *value);
    KWRESULT GetShort(const char *field, int16_t *value);
    KWRESULT GetLong(const char *field, int32_t *value);
    KWRESULT GetFloat(const char *field, float *value);
    KWRESULT GetDouble(const char *field, double *value);

    KWRESULT PutString(const char *field, std::string_view text);
    KWRESULT PutInt(const char *field, int32_t value);
    KWRESULT PutShort(const char *field, int32_t value);
    KWRESULT PutLong(const char *field, int32_t value);
    KWRESULT PutFloat(const char *field, float value);
    KWRESULT PutDouble(const char *field, double value);

    // The widest field the engine holds (a C field).
    static constexpr int32_t kMaxFieldWidth = 4096;
    // What GetInt gives for a field's stored bytes (width of them, of type letter type), for
    // callers that read the bytes some other way.
    static int32_t IntFromStored(const char *bytes, char type, int32_t width);
    // What GetFloat gives for a field's stored bytes (width of them).
    static float FloatFromStored(const char *bytes, int32_t width);
    // The typed puts for a field whose type letter and width the caller already has (from
    // GetFieldType): the same bytes and refusals as PutString, PutInt and the 4-byte puts, with
    // one engine call each. A width outside 0..kMaxFieldWidth gives KWERR_FIELDWIDTH.
    KWRESULT PutStringOfWidth(const char *field, int32_t width, std::string_view text);
    KWRESULT PutIntOfType(const char *field, char type, int32_t width, int32_t value);
    // Writes size bytes of value into a field of that width: cut to it, or zero-padded up to it.
    KWRESULT PutBounded(const char *field, const void *value, size_t size, int32_t width);

    CKWTable *Table() const { return table_; }
    int32_t Instance() const { return instance_; }
    bool IsOpen() const { return table_ != nullptr; }

  private:
    int32_t Handle() const;
    int32_t TableNumber() const;
    // The field's type, width and bytes (bytes must hold 4096).
    KWRESULT ReadRaw(const char *field, char *bytes, char *type, int32_t *width);
    // Reads the field into a value of size bytes: its first min(width, size) bytes, the rest of
    // value zero.
    KWRESULT GetBounded(const char *field, void *value, size_t size);
    KWRESULT PutBounded(const char *field, const void *value, size_t size);

    CKWTable *table_ = nullptr;
    int32_t instance_ = -1;
};

}  // namespace kw
