// CKWDatabase: the database life cycle, table setup and the whole-database operations.
#include "database.h"

#include <algorithm>

#include "index.h"
#include "table.h"
#include "wait_cursor.h"

namespace kw {

CKWDatabase::CKWDatabase() = default;

CKWDatabase::~CKWDatabase() {
    if (IsOpen()) Close();
}

KWRESULT CKWDatabase::Create(const std::string &name, const std::string &directory,
                             const void *misc, int32_t miscLength, int32_t tableCount,
                             KW_TableDef *definitions) {
    if (IsOpen()) return KWERR_INUSE;
    WaitCursor wait;
    name_ = name;
    KWRESULT r = KW_DBCreateDatabase(name.c_str(), directory.c_str(), misc, miscLength);
    if (r != KW_OK) return r;  // nothing was made, so nothing is undone
    r = Open(name, tableCount, definitions);
    if (r != KW_OK) {
        // A half-made database would make every later start fail the same way: take it away.
        if (IsOpen()) Close();
        KW_DBDestroyDatabase(name.c_str());
    }
    return r;
}

KWRESULT CKWDatabase::Destroy(const std::string &name) {
    WaitCursor wait;
    return KW_DBDestroyDatabase(name.c_str());
}

KWRESULT CKWDatabase::Open(const std::string &name, int32_t tableCount, KW_TableDef *definitions) {
    if (IsOpen()) return KWERR_INUSE;
    WaitCursor wait;
    name_ = name;
    uint16_t handle = kNoHandle;
    KWRESULT r = KW_DBOpen(name.c_str(), &handle);
    if (r != KW_OK) return r;
    handle_ = handle;
    r = AddTables(tableCount, definitions);
    for (size_t i = 0; r == KW_OK && i < tables_.size(); ++i)
        r = tables_[i]->Open();
    if (r != KW_OK) Close();
    return r;
}

KWRESULT CKWDatabase::Close() {
    KWRESULT first = KW_OK;
    // Tables go in list order; each is closed before its object (and its indexes) is deleted.
    std::vector<std::unique_ptr<CKWTable>> tables = std::move(tables_);
    tables_.clear();
    for (std::unique_ptr<CKWTable> &table : tables) {
        const KWRESULT r = table->Close();
        if (first == KW_OK) first = r;
        table.reset();
    }
    const KWRESULT r = KW_DBClose(handle_);
    handle_ = kNoHandle;
    return first != KW_OK ? first : r;
}

KWRESULT CKWDatabase::AddTables(int32_t tableCount, KW_TableDef *definitions) {
    if (tableCount > 0 && !definitions) return kTableNotAdded;
    for (int32_t t = 0; t < tableCount; ++t) {
        KW_TableDef &definition = definitions[t];
        CKWTable *table = AddTable(&definition);
        if (!table) return kTableNotAdded;
        for (int32_t i = 0; i < definition.indexCount; ++i) {
            if (!table->AddIndex(&definition.indexes[i], &setupError_)) return kIndexNotAdded;
        }
    }
    return KW_OK;
}

CKWTable *CKWDatabase::AddTable(KW_TableDef *definition) {
    auto table = std::make_unique<CKWTable>(this);
    const KWRESULT r = table->Add(definition);
    if (r != KW_OK) {
        setupError_ = r;
        return nullptr;
    }
    tables_.push_back(std::move(table));
    return tables_.back().get();
}

CKWTable *CKWDatabase::AddTableWithIndexes(KW_TableDef *definition) {
    CKWTable *table = AddTable(definition);
    if (!table) return nullptr;
    for (int32_t i = 0; i < definition->indexCount; ++i)
        table->AddIndex(&definition->indexes[i]);
    return table;
}

KWRESULT CKWDatabase::DropTable(CKWTable *table) {
    auto it =
        std::find_if(tables_.begin(), tables_.end(),
                     [table](const std::unique_ptr<CKWTable> &t) { return t.get() == table; });
    if (it == tables_.end()) return KWERR_BADHANDLE;
    std::unique_ptr<CKWTable> dropped = std::move(*it);
    tables_.erase(it);
    return dropped->CloseAndDrop();
}

CKWTable *CKWDatabase::FindTable(std::string_view name) const {
    for (const std::unique_ptr<CKWTable> &table : tables_)
        if (table->Name() == name) return table.get();
    return nullptr;
}

KWRESULT CKWDatabase::Load(const std::string &path, bool replaceDuplicates, int32_t *duplicates) {
    WaitCursor wait;
    return KW_DBLoad(handle_, path.c_str(), replaceDuplicates ? 1 : 0, duplicates);
}

KWRESULT CKWDatabase::Dump(const std::string &path) {
    WaitCursor wait;
    return KW_DBDump(handle_, path.c_str());
}

KWRESULT CKWDatabase::SelDump(const std::string &path, int32_t tableCount,
                              const int32_t *tableNumbers) {
    WaitCursor wait;
    return KW_DBSelDump(handle_, path.c_str(), tableCount, tableNumbers);
}

template <typename Op>
KWRESULT CKWDatabase::ForEachTable(Op op) {
    WaitCursor wait;
    for (const std::unique_ptr<CKWTable> &table : tables_) {
        const KWRESULT r = op(*table);
        if (r != KW_OK) return r;
    }
    return KW_OK;
}

KWRESULT CKWDatabase::ClearAll() {
    return ForEachTable([](CKWTable &t) { return t.Clear(); });
}

KWRESULT CKWDatabase::ReindexAll() {
    return ForEachTable([](CKWTable &t) { return t.Reindex(); });
}

KWRESULT CKWDatabase::RecoverAll() {
    return ForEachTable([](CKWTable &t) { return t.Recover(); });
}

KWRESULT CKWDatabase::FlushAll() {
    return ForEachTable([](CKWTable &t) { return t.Flush(); });
}

KWRESULT CKWDatabase::GetMiscData(void *buffer, int32_t length) {
    return KW_DBGetMiscData(handle_, buffer, length);
}

KWRESULT CKWDatabase::UpdateMiscData(const void *buffer, int32_t length) {
    return KW_DBUpdateMiscData(handle_, buffer, length);
}

KWRESULT CKWDatabase::GetParam(int32_t a, int32_t b) {
    return KW_DBGetParam(handle_, a, b);
}

int32_t CKWDatabase::GetExtendedError() {
    return KW_DBGetExtendedError();
}

}  // namespace kw
