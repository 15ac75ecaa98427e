// The wait cursor the data access classes show around long engine calls (open, create, load,
// dump, the whole-database loops). The classes only raise and lower it; what "showing" means
// belongs to whoever installs the hook: the window program sets the busy cursor, tests and kwtool
// leave the default, which does nothing.
//
// Nesting is counted: the hook hears busy = true when the first WaitCursor of a nest is made and
// busy = false when the last one goes, so a database open inside a create shows one wait cursor.
// Single-threaded, like everything that talks to the engine.
#pragma once

#include <functional>

namespace kw {

using WaitCursorHook = std::function<void(bool busy)>;

// Installs the hook (an empty function restores the no-op). Not to be called while a WaitCursor
// is alive.
void SetWaitCursorHook(WaitCursorHook hook);

class WaitCursor final {
  public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

}  // namespace kw
