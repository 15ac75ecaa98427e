// CKWTable: table definition, its indexes and the table-level engine calls.
#include "table.h"

#include <cstring>

#include "database.h"
#include "index.h"

namespace kw {

CKWTable::CKWTable(CKWDatabase *database) : database_(database) {}

CKWTable::~CKWTable() {
    if (number_ >= 0) Close();
}

int32_t CKWTable::Handle() const {
    return database_ ? database_->Handle() : CKWDatabase::kNoHandle;
}

KWRESULT CKWTable::Add(KW_TableDef *definition) {
    if (!definition) return KWERR_BADHANDLE;
    name_.assign(definition->name, strnlen(definition->name, sizeof definition->name));
    int32_t number = -1;
    const KWRESULT r = KW_DBAddTable(Handle(), definition, &number);
    if (r == KW_OK) {
        number_ = number;
        definition_ = definition;
    }
    return r;
}

CKWIndex *CKWTable::AddIndex(KW_IndexDef *definition, KWRESULT *result) {
    KWRESULT r = KWERR_BADHANDLE;
    if (number_ >= 0) {
        auto index = std::make_unique<CKWIndex>(database_, this);
        r = index->Add(definition);
        if (r == KW_OK) indexes_.push_back(std::move(index));
    }
    if (result) *result = r;
    return r == KW_OK ? indexes_.back().get() : nullptr;
}

CKWIndex *CKWTable::FindIndex(int32_t number) const {
    for (const std::unique_ptr<CKWIndex> &index : indexes_)
        if (index->Number() == number) return index.get();
    return nullptr;
}

KWRESULT CKWTable::Open() {
    return KW_DBOpenTable(Handle(), number_);
}

KWRESULT CKWTable::Close() {
    return KW_DBCloseTable(Handle(), number_);
}

KWRESULT CKWTable::Clear() {
    return KW_DBClearTable(Handle(), number_);
}

KWRESULT CKWTable::Reindex() {
    return KW_DBReindexTable(Handle(), number_);
}

KWRESULT CKWTable::DeferIndexes(bool defer) {
    return KW_DBDeferIndexes(Handle(), number_, defer ? 1 : 0);
}

KWRESULT CKWTable::Recover() {
    return KW_DBRecoverTable(Handle(), number_);
}

KWRESULT CKWTable::Flush() {
    return KW_DBFlushTable(Handle(), number_);
}

KWRESULT CKWTable::CloseAndDrop() {
    const KWRESULT r = Close();
    if (r != KW_OK) return r;
    const KWRESULT dropped = KW_DBDropTable(Handle(), number_);
    // The engine frees its slot even when a file stayed (1), so this object no longer names it.
    if (dropped == KW_OK || dropped == KW_NOTFOUND) number_ = -1;
    return dropped;
}

KWRESULT CKWTable::GetCount(int32_t *count) {
    return KW_DBGetCount(Handle(), number_, count);
}

KWRESULT CKWTable::GetInstCount(int32_t *count) {
    return KW_DBGetInstCount(Handle(), number_, count);
}

}  // namespace kw
