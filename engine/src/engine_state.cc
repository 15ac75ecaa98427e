// Engine start and stop, the database slot table and the extended error.
#include "engine_state.h"

#include <new>

namespace kw::engine {

EngineState &Engine() {
    static EngineState state;
    return state;
}

KWRESULT StartEngine() {
    EngineState &e = Engine();
    if (e.useCount >= kMaxUsers) return KWERR_TOOMANY;
    if (e.useCount == 0) e.settings = ReadSettings(SettingsPath());
    ++e.useCount;
    return KW_OK;
}

void StopEngine() {
    EngineState &e = Engine();
    if (e.useCount == 0) return;
    if (--e.useCount == 0) std::vector<DatabaseSlot>().swap(e.databases);
}

KWRESULT TakeDatabaseSlot(const std::string &name, const std::string &directory, uint16_t *handle) {
    std::vector<DatabaseSlot> &slots = Engine().databases;
    try {
        size_t chosen = slots.size();
        for (size_t i = slots.size(); i-- > 0;) {
            if (!slots[i].inUse) {
                chosen = i;
                break;
            }
        }
        DatabaseSlot fresh;
        fresh.inUse = true;
        fresh.name = name;
        fresh.directory = directory;
        if (chosen == slots.size())
            slots.push_back(std::move(fresh));
        else
            slots[chosen] = std::move(fresh);
        *handle = static_cast<uint16_t>(chosen);
        return KW_OK;
    } catch (const std::bad_alloc &) {
        return KWERR_NOMEM;
    }
}

void ReleaseDatabaseSlot(uint16_t handle) {
    std::vector<DatabaseSlot> &slots = Engine().databases;
    if (handle < slots.size()) slots[handle] = DatabaseSlot{};
}

void SetExtendedError(int32_t code) {
    Engine().extendedError = code;
}

}  // namespace kw::engine
