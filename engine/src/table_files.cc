// Table file naming and open, close, clear and drop of a table's files.
#include "table_files.h"

#include <cerrno>
#include <cstdio>

#include "engine_state.h"
#include "index_page_cache.h"
#include "instances.h"
#include "platform/path.h"
#include "store_journal.h"
#include "table_def.h"

namespace kw::engine {
namespace {

// A table name that would place its files outside the database directory.
bool LeavesDirectory(const KW_TableDef &def) {
    return TableName(def).find('/') != std::string::npos;
}

std::string PathIn(const DatabaseSlot &database, const std::string &fileName) {
    return platform::JoinPath(database.directory, fileName);
}

// Deletes a file; a file that is already gone counts as deleted.
bool Delete(const std::string &path) {
    const int error = platform::RemoveFile(path);
    return error == 0 || error == ENOENT;
}

}  // namespace

std::string StoreFileName(const KW_TableDef &table) {
    return TableName(table) + ".dat";
}

std::string IndexFileName(const KW_TableDef &table, const KW_IndexDef &index) {
    // The file name rule "%s%s%02.2d": at least two digits ("%.2d" says the same without the
    // flag that the precision overrides).
    char number[8];
    std::snprintf(number, sizeof number, "%.2d", static_cast<int>(index.number));
    return TableName(table) + ".i" + number;
}

KWRESULT OpenTable(DatabaseSlot &database, TableSlot &table) {
    if (table.IsOpen()) return KW_OK;
    const KW_TableDef &def = *table.definition;
    if (LeavesDirectory(def)) return KWERR_FILEOPEN;
    const Settings &settings = Engine().settings;
    table.store = RecordStore::Open(PathIn(database, StoreFileName(def)), settings.storeBuffers,
                                    settings.storeType);
    if (!table.store) return KWERR_FILEOPEN;
    table.cachedCount = -1;
    // The table counts as open from here on, even if an index file fails below.
    ++database.openTableCount;
    if (!database.indexCache)
        database.indexCache = std::make_shared<IndexPageCache>(kIndexCacheBytes);
    for (IndexSlot &index : table.indexes) {
        if (index.tree) continue;
        index.tree =
            BTree::Open(PathIn(database, IndexFileName(def, *index.definition)), index.layout.get(),
                        settings.btreeBuffers, settings.btreeType, database.indexCache);
        if (!index.tree) return KWERR_FILEOPEN;
    }
    return KW_OK;
}

KWRESULT CloseTable(DatabaseSlot &database, TableSlot &table) {
    if (!table.IsOpen()) return KW_OK;
    CloseAllInstances(table);
    KWRESULT result = KW_OK;
    auto fail = [&result](int32_t detail) {
        if (result != KW_OK) return;
        SetExtendedError(detail);
        result = KWERR_EXTENDED;
    };
    // Every file is closed even after a failure, so no file stays locked behind a closed table.
    for (IndexSlot &index : table.indexes) {
        if (!index.tree) continue;
        if (!index.tree->Close()) fail(index.tree->LastError());
        index.tree.reset();
    }
    if (!table.store->Close()) fail(table.store->LastError());
    table.store.reset();
    --database.openTableCount;
    return result;
}

KWRESULT ClearTable(TableSlot &table) {
    if (!table.IsOpen()) return KWERR_NOTOPEN;
    // An index without a file (added after the open, or its file failed to open) has nothing
    // to reset.
    for (IndexSlot &index : table.indexes) {
        if (index.tree && !index.tree->Reset()) {
            SetExtendedError(index.tree->LastError());
            return KWERR_EXTENDED;
        }
    }
    if (!table.store->Reset()) {
        SetExtendedError(table.store->LastError());
        return KWERR_EXTENDED;
    }
    for (Instance &instance : table.instances)
        instance.current = -1;
    table.cachedCount = 0;
    return KW_OK;
}

KWRESULT DropTable(DatabaseSlot &database, TableSlot &table) {
    if (table.IsOpen()) return KWERR_INUSE;
    const KW_TableDef &def = *table.definition;
    if (LeavesDirectory(def)) return KW_NOTFOUND;  // its files are not ours to delete
    for (const IndexSlot &index : table.indexes)
        if (!Delete(PathIn(database, IndexFileName(def, *index.definition)))) return KW_NOTFOUND;
    const std::string storePath = PathIn(database, StoreFileName(def));
    // The journal goes before the store, so no store file is ever left with a foreign journal.
    if (!Delete(StoreJournalPath(storePath))) return KW_NOTFOUND;
    table = TableSlot{};
    return Delete(storePath) ? KW_OK : KW_NOTFOUND;
}

}  // namespace kw::engine
