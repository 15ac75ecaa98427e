// The record exports that move bytes between an instance and its caller or the store without
// touching an index: field get/put/type, the current record reference, read by reference,
// clearing the buffer, the record count and the table flush.
//
// Fields are copied at their full width, with no terminator, padding or conversion: a caller
// putting a C field supplies width bytes (text plus zero padding) and a caller getting one
// receives width bytes. A null value pointer gives 501 like any other argument that names
// nothing.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "record_access.h"
#include "store_layout.h"
#include "table_def.h"

using namespace kw::engine;

namespace kw::engine {

KWRESULT CountTableRecords(TableSlot &table, int32_t *count) {
    if (!table.IsOpen()) return KWERR_NOTOPEN;
    // Adds and deletes keep the cached count exact once it is known, so only an unknown count
    // (after open or recovery) costs a walk of the chain.
    if (table.cachedCount < 0) {
        int32_t walked = 0;
        if (!table.store->CountRecords(&walked)) return KWERR_CHAIN;
        table.cachedCount = walked;
    }
    *count = table.cachedCount;
    return KW_OK;
}

uint32_t SerialOf(const TableSlot &table, const uint8_t *record) {
    return table.hasSerial ? static_cast<uint32_t>(GetInt32(record + table.serialOffset)) : 0;
}

}  // namespace kw::engine

namespace {

// The field named name (503 when there is none): its offset in the record and its width.
KWRESULT LocateField(const TableSlot &table, const char *name, int32_t *offset, int32_t *width,
                     char *type = nullptr) {
    if (name == nullptr) return KWERR_NOFIELD;
    const int32_t field = FindField(table, std::string_view(name, ::strnlen(name, 12)));
    if (field < 0) return KWERR_NOFIELD;
    const KW_FieldDef &def = table.definition->fields[field];
    *offset = table.fieldOffsets[static_cast<size_t>(field)];
    *width = def.width;
    if (type) *type = def.type;
    return KW_OK;
}

}  // namespace

KWRESULT KW_DBGetField(int32_t db, int32_t tbl, int32_t inst, const char *field, void *value) {
    return WithInstanceAsIs(
        db, tbl, inst, [&](DatabaseSlot &, TableSlot &table, Instance &instance) {
            int32_t offset = 0, width = 0;
            if (KWRESULT r = LocateField(table, field, &offset, &width)) return r;
            if (value == nullptr) return KWRESULT{KWERR_BADHANDLE};
            std::memcpy(value, instance.record.data() + offset, static_cast<size_t>(width));
            return KWRESULT{KW_OK};
        });
}

KWRESULT KW_DBPutField(int32_t db, int32_t tbl, int32_t inst, const char *field,
                       const void *value) {
    return WithInstanceAsIs(
        db, tbl, inst, [&](DatabaseSlot &, TableSlot &table, Instance &instance) {
            int32_t offset = 0, width = 0;
            if (KWRESULT r = LocateField(table, field, &offset, &width)) return r;
            if (value == nullptr) return KWRESULT{KWERR_BADHANDLE};
            std::memmove(instance.record.data() + offset, value, static_cast<size_t>(width));
            return KWRESULT{KW_OK};
        });
}

KWRESULT KW_DBGetFieldType(int32_t db, int32_t tbl, const char *field, char *type, int32_t *width) {
    return WithTableAsIs(db, tbl, [&](DatabaseSlot &, TableSlot &table) {
        int32_t offset = 0, w = 0;
        char letter = 0;
        if (KWRESULT r = LocateField(table, field, &offset, &w, &letter)) return r;
        if (type) *type = letter;
        if (width) *width = w;
        return KWRESULT{KW_OK};
    });
}

KWRESULT KW_DBGetRecordRef(int32_t db, int32_t tbl, int32_t inst, int32_t *ref) {
    return WithInstanceAsIs(db, tbl, inst, [&](DatabaseSlot &, TableSlot &, Instance &instance) {
        if (ref) *ref = instance.current;
        return KWRESULT{KW_OK};
    });
}

KWRESULT KW_DBGetRecordByRef(int32_t db, int32_t tbl, int32_t inst, int32_t ref) {
    return WithInstanceAsIs(
        db, tbl, inst, [&](DatabaseSlot &, TableSlot &table, Instance &instance) {
            if (!table.IsOpen()) return KWRESULT{KWERR_NOTOPEN};
            const int32_t n =
                table.store->ReadRecord(ref, instance.record.data(), table.recordLength);
            if (n < 0) return Extended(table.store->LastError());
            // A block of another length is read but does not become the current record; the key
            // buffers and index cursors stay as the last navigation left them.
            if (n == table.recordLength) instance.current = ref;
            return KWRESULT{KW_OK};
        });
}

KWRESULT KW_DBClearRecord(int32_t db, int32_t tbl, int32_t inst) {
    return WithInstanceAsIs(db, tbl, inst, [&](DatabaseSlot &, TableSlot &, Instance &instance) {
        std::fill(instance.record.begin(), instance.record.end(), uint8_t{0});
        instance.current = -1;
        return KWRESULT{KW_OK};
    });
}

KWRESULT KW_DBGetCount(int32_t db, int32_t tbl, int32_t *count) {
    return WithTableAsIs(db, tbl, [&](DatabaseSlot &, TableSlot &table) {
        int32_t n = 0;
        if (KWRESULT r = CountTableRecords(table, &n)) return r;
        if (count) *count = n;
        return KWRESULT{KW_OK};
    });
}

KWRESULT KW_DBFlushTable(int32_t db, int32_t tbl) {
    return WithTableAsIs(db, tbl, [&](DatabaseSlot &, TableSlot &table) {
        if (!table.IsOpen()) return KWRESULT{KWERR_NOTOPEN};
        if (!table.store->Flush()) return Extended(table.store->LastError());
        for (IndexSlot &index : table.indexes) {
            if (index.tree && !index.tree->Flush()) return Extended(index.tree->LastError());
        }
        return KWRESULT{KW_OK};
    });
}
