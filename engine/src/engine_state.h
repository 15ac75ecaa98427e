// The engine-wide state, one copy per process: the use count, the database slot table, the
// settings and the extended error. The engine is single-threaded and not reentrant; callers
// serialise their calls, and nothing here takes a lock.
//
// Life cycle: StartEngine() runs before every open and create. Going from 0 to 1 user it re-reads
// the settings from KWDATA.INI; a third user is refused with 504. StopEngine() undoes one start;
// going back to 0 users it frees the slot table, so the next open hands out slot 0 again. File
// paths are composed per call (JoinPath), not in a shared scratch buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kwdata.h"
#include "settings.h"
#include "slots.h"

namespace kw::engine {

// At most this many engine users (open databases, plus a create while it runs).
inline constexpr uint16_t kMaxUsers = 2;

struct EngineState {
    uint16_t useCount = 0;                // open databases plus running creates
    std::vector<DatabaseSlot> databases;  // handles are positions; the slot count is its size
    Settings settings;                    // read at the first start, kept until the next
    int32_t extendedError = 0;            // last detailed store or B-tree code; never cleared
};

EngineState &Engine();

// 504 when the engine already has two users; otherwise counts one more user (reading the
// settings when it had none) and returns 0.
KWRESULT StartEngine();
// Counts one user less; the last one frees the slot table.
void StopEngine();

// One engine use for the length of a scope: Start() counts the user, and unless Keep() is called
// the destructor undoes it, so every early return (or exception) of an open or create leaves
// the use count as it was.
class EngineUse {
  public:
    EngineUse() = default;
    EngineUse(const EngineUse &) = delete;
    EngineUse &operator=(const EngineUse &) = delete;
    ~EngineUse() {
        if (started_) StopEngine();
    }
    KWRESULT Start() {
        const KWRESULT r = StartEngine();
        started_ = r == KW_OK;
        return r;
    }
    void Keep() { started_ = false; }

  private:
    bool started_ = false;
};

// Takes a database slot (the highest-numbered free one, else a new one at the end), cleared and
// filled with name and directory. 500 when memory fails (nothing is then taken).
KWRESULT TakeDatabaseSlot(const std::string &name, const std::string &directory, uint16_t *handle);
// Frees a slot and everything it holds (tables, indexes, instances; open files are closed
// without reporting, so callers close tables first when they care about the result).
void ReleaseDatabaseSlot(uint16_t handle);

// Records a detailed code for KW_DBGetExtendedError.
void SetExtendedError(int32_t code);

}  // namespace kw::engine
