// CKWQuery: navigation of a record through one index of its table.
#include "query.h"

#include "database.h"
#include "index.h"
#include "record.h"
#include "table.h"

namespace kw {

KWRESULT CKWQuery::Set(CKWRecord *record, CKWIndex *index) {
    record_ = record;
    index_ = index;
    return KW_OK;
}

KWRESULT CKWQuery::SetIndex(CKWRecord *record, int32_t number) {
    CKWTable *table = record ? record->Table() : nullptr;
    return Set(record, table ? table->FindIndex(number) : nullptr);
}

void CKWQuery::Reset() {
    record_ = nullptr;
    index_ = nullptr;
}

KWRESULT CKWQuery::Ready() const {
    if (!record_ || !index_ || !record_->IsOpen()) return kNotSet;
    // An index of another table would make the engine navigate a different index of this one.
    if (index_->Table() != record_->Table()) return kNotSet;
    return KW_OK;
}

KWRESULT CKWQuery::Move(Navigate move, const void *key, int32_t keyLength) {
    if (keyLength < 0) return kBadKey;
    if (KWRESULT r = Ready()) return r;
    CKWTable *table = record_->Table();
    return move(table->Database()->Handle(), table->Number(), index_->EngineNumber(),
                record_->Instance(), key, keyLength);
}

KWRESULT CKWQuery::GetFirst(const void *key, int32_t keyLength) {
    return Move(KW_DBGetFirstRecord, key, keyLength);
}

KWRESULT CKWQuery::GetNext(const void *key, int32_t keyLength) {
    return Move(KW_DBGetNextRecord, key, keyLength);
}

KWRESULT CKWQuery::GetPrev(const void *key, int32_t keyLength) {
    return Move(KW_DBGetPrevRecord, key, keyLength);
}

KWRESULT CKWQuery::GetLast(const void *key, int32_t keyLength) {
    return Move(KW_DBGetLastRecord, key, keyLength);
}

KWRESULT CKWQuery::GetExact(const void *key, int32_t keyLength) {
    if (!key || keyLength < 0) return kBadKey;
    if (KWRESULT r = Ready()) return r;
    CKWTable *table = record_->Table();
    return KW_DBGetExactRecord(table->Database()->Handle(), table->Number(), index_->EngineNumber(),
                               record_->Instance(), key, keyLength, 0);
}

KWRESULT CKWQuery::GetExactFromRecord() {
    if (KWRESULT r = Ready()) return r;
    CKWTable *table = record_->Table();
    return KW_DBGetExactRecord(table->Database()->Handle(), table->Number(), index_->EngineNumber(),
                               record_->Instance(), nullptr, 0, 1);
}

}  // namespace kw
