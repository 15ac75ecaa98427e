// The C exports of the engine frame: database life cycle, table and index definitions, table
// files, instances and the small queries. Each applies the shared validation order and runs its
// body under Guarded, so no C++ exception leaves the library. The record, navigation, count,
// flush and dump exports live in files of their own.
#include "database.h"
#include "engine_state.h"
#include "instances.h"
#include "key_expression.h"
#include "kwdata.h"
#include "table_def.h"
#include "table_files.h"
#include "validation.h"

using namespace kw::engine;

KWRESULT KW_DBOpen(const char *name, uint16_t *db) {
    return Guarded([&] { return OpenDatabase(name, db); });
}

KWRESULT KW_DBClose(int32_t db) {
    return Guarded([&] { return CloseDatabase(db); });
}

KWRESULT KW_DBCreateDatabase(const char *name, const char *directory, const void *misc,
                             int32_t miscLength) {
    return Guarded([&] { return CreateDatabase(name, directory, misc, miscLength); });
}

KWRESULT KW_DBDestroyDatabase(const char *name) {
    return Guarded([&] { return DestroyDatabase(name); });
}

KWRESULT KW_DBAddTable(int32_t db, KW_TableDef *def, int32_t *tbl) {
    return Guarded([&] {
        DatabaseSlot *database = nullptr;
        if (KWRESULT r = CheckDatabase(db, &database)) return r;
        return AddTable(*database, def, tbl);
    });
}

KWRESULT KW_DBAddIndex(int32_t db, int32_t tbl, KW_IndexDef *def, int32_t *idx) {
    return WithTable(db, tbl,
                     [&](DatabaseSlot &, TableSlot &table) { return AddIndex(table, def, idx); });
}

KWRESULT KW_DBOpenTable(int32_t db, int32_t tbl) {
    return WithTable(db, tbl, OpenTable);
}

KWRESULT KW_DBCloseTable(int32_t db, int32_t tbl) {
    return WithTableAsIs(db, tbl, SettleAndCloseTable);
}

KWRESULT KW_DBClearTable(int32_t db, int32_t tbl) {
    return WithTable(db, tbl, [](DatabaseSlot &, TableSlot &table) { return ClearTable(table); });
}

KWRESULT KW_DBDropTable(int32_t db, int32_t tbl) {
    return WithTable(db, tbl, DropTable);
}

KWRESULT KW_DBGetMiscData(int32_t db, void *buffer, int32_t length) {
    return Guarded([&] { return GetMiscData(db, buffer, length); });
}

KWRESULT KW_DBUpdateMiscData(int32_t db, const void *buffer, int32_t length) {
    return Guarded([&] { return UpdateMiscData(db, buffer, length); });
}

KWRESULT KW_DBOpenTableInst(int32_t db, int32_t tbl, int32_t *inst) {
    return WithTableAsIs(
        db, tbl, [&](DatabaseSlot &, TableSlot &table) { return OpenInstance(table, tbl, inst); });
}

KWRESULT KW_DBCloseTableInst(int32_t db, int32_t tbl, int32_t inst) {
    return WithTableAsIs(db, tbl, [&](DatabaseSlot &database, TableSlot &table) {
        Instance *instance = nullptr;
        if (KWRESULT r = CheckInstance(database, table, inst, &instance)) return r;
        CloseInstance(*instance);
        return KWRESULT{KW_OK};
    });
}

KWRESULT KW_DBGetInstCount(int32_t db, int32_t tbl, int32_t *count) {
    return WithTableAsIs(db, tbl, [&](DatabaseSlot &, TableSlot &table) {
        if (count) *count = CountOpenInstances(table);
        return KWRESULT{KW_OK};
    });
}

KWRESULT KW_DBGetParam(int32_t db, int32_t, int32_t) {
    return Guarded([&] {
        DatabaseSlot *database = nullptr;
        if (KWRESULT r = CheckDatabase(db, &database)) return r;
        return KWRESULT{KWERR_UNSUPPORTED};
    });
}

int32_t KW_DBGetExtendedError(void) {
    return Engine().extendedError;
}
