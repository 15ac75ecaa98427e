// CKWQuery: navigation of a CKWRecord through one CKWIndex of its table. It points at both and
// owns neither; it must not outlive them. Results are the engine's navigation codes (0 found,
// 1 no exact match, 2 past the last entry, 3 before the first) and errors, plus its own:
//
//   CODE  MEANING
//   509   no record, no index, the record is not open, or the index belongs to another table
//   524   a negative key length, or a null key for GetExact
//
// Keys are given as bytes; the engine upper-cases A-Z in the key it searches with. An exact
// search on a non-unique index ends on the first entry at or after the key (compare the fields
// searched for); on a unique index a miss is 1.
//
// Instances of one table share every index's cursor: walking two records of one table in turn
// needs a re-positioning (GetExactFromRecord) before each continues.
#pragma once

#include <cstdint>

#include "kwdata.h"

namespace kw {

class CKWIndex;
class CKWRecord;

class CKWQuery final {
  public:
    static constexpr KWRESULT kNotSet = KWERR_NOTOPEN;
    static constexpr KWRESULT kBadKey = 524;

    CKWQuery() = default;
    CKWQuery(const CKWQuery &) = delete;
    CKWQuery &operator=(const CKWQuery &) = delete;

    // Remembers both; returns 0.
    KWRESULT Set(CKWRecord *record, CKWIndex *index);
    // Set with the record's table's index of that definition number (null when there is none,
    // so every navigation then answers 509).
    KWRESULT SetIndex(CKWRecord *record, int32_t number);
    void Reset();

    // The key arguments of the four ordered moves have no effect on where they go.
    KWRESULT GetFirst(const void *key = nullptr, int32_t keyLength = 0);
    KWRESULT GetNext(const void *key = nullptr, int32_t keyLength = 0);
    KWRESULT GetPrev(const void *key = nullptr, int32_t keyLength = 0);
    KWRESULT GetLast(const void *key = nullptr, int32_t keyLength = 0);
    KWRESULT GetExact(const void *key, int32_t keyLength);
    // Exact search with the key built from the record's current fields (serial part left out).
    KWRESULT GetExactFromRecord();

    CKWRecord *Record() const { return record_; }
    CKWIndex *Index() const { return index_; }

  private:
    using Navigate = KWRESULT (*)(int32_t, int32_t, int32_t, int32_t, const void *, int32_t);
    KWRESULT Move(Navigate move, const void *key, int32_t keyLength);
    // 0 when record and index are set, the record is open and the index is of its table.
    KWRESULT Ready() const;

    CKWRecord *record_ = nullptr;
    CKWIndex *index_ = nullptr;
};

}  // namespace kw
