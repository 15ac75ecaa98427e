// Opening and closing table instances.
#include "instances.h"

#include <new>

namespace kw::engine {

KWRESULT OpenInstance(TableSlot &table, int32_t tableNumber, int32_t *inst) {
    if (!table.IsOpen()) return KWERR_NOTOPEN;
    size_t position = 0;
    while (position < table.instances.size() && table.instances[position].IsOpen())
        ++position;
    if (position == table.instances.size()) table.instances.emplace_back();
    if (inst) *inst = static_cast<int32_t>(position);

    Instance &instance = table.instances[position];
    instance.current = -1;
    instance.table = tableNumber;
    try {
        instance.record.assign(static_cast<size_t>(table.recordLength), 0);
        instance.keys.resize(table.indexes.size());
    } catch (const std::bad_alloc &) {
        CloseInstance(instance);
        return KWERR_NOMEM;
    }
    for (size_t i = 0; i < table.indexes.size(); ++i) {
        if (!table.indexes[i].tree) {
            CloseInstance(instance);
            return KWERR_NOTOPEN;
        }
        instance.keys[i].index = static_cast<int32_t>(i);
    }
    return KW_OK;
}

void CloseInstance(Instance &instance) {
    std::vector<uint8_t>().swap(instance.record);
    std::vector<KeySlot>().swap(instance.keys);
    instance.table = -1;
    instance.current = -1;
}

void CloseAllInstances(TableSlot &table) {
    for (Instance &instance : table.instances)
        if (instance.IsOpen()) CloseInstance(instance);
    table.instances.clear();
}

int32_t CountOpenInstances(const TableSlot &table) {
    int32_t count = 0;
    for (const Instance &instance : table.instances)
        if (instance.IsOpen()) ++count;
    return count;
}

}  // namespace kw::engine
