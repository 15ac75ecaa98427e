// The shared checks of database handle, table, index and instance numbers.
#include "validation.h"

#include "engine_state.h"

namespace kw::engine {

KWRESULT CheckDatabase(int32_t db, DatabaseSlot **database) {
    // Handles are 16-bit; the exports take 32 bits and use only the low half.
    const uint16_t handle = static_cast<uint16_t>(db & 0xFFFF);
    std::vector<DatabaseSlot> &slots = Engine().databases;
    if (handle >= slots.size() || !slots[handle].inUse) return KWERR_BADHANDLE;
    *database = &slots[handle];
    return KW_OK;
}

KWRESULT CheckTable(int32_t db, int32_t tbl, DatabaseSlot **database, TableSlot **table) {
    DatabaseSlot *d = nullptr;
    if (KWRESULT r = CheckDatabase(db, &d)) return r;
    if (tbl < 0 || static_cast<size_t>(tbl) >= d->tables.size() ||
        d->tables[static_cast<size_t>(tbl)].definition == nullptr)
        return KWERR_BADHANDLE;
    *database = d;
    *table = &d->tables[static_cast<size_t>(tbl)];
    return KW_OK;
}

KWRESULT CheckIndex(TableSlot &table, int32_t idx, IndexSlot **index) {
    if (idx < 0 || static_cast<size_t>(idx) >= table.indexes.size() ||
        table.indexes[static_cast<size_t>(idx)].definition == nullptr)
        return KWERR_BADHANDLE;
    *index = &table.indexes[static_cast<size_t>(idx)];
    return KW_OK;
}

KWRESULT CheckInstance(const DatabaseSlot &database, TableSlot &table, int32_t inst,
                       Instance **instance) {
    if (inst < 0 || static_cast<size_t>(inst) >= table.instances.size()) return KWERR_NOTOPEN;
    Instance &i = table.instances[static_cast<size_t>(inst)];
    if (i.table < 0 || static_cast<size_t>(i.table) >= database.tables.size()) return KWERR_NOTOPEN;
    *instance = &i;
    return KW_OK;
}

}  // namespace kw::engine
