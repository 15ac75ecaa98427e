// The wait-cursor hook and its nesting count.
#include "wait_cursor.h"

#include <utility>

namespace kw {
namespace {

struct WaitCursorState {
    WaitCursorHook hook;
    int depth = 0;
};

WaitCursorState &State() {
    static WaitCursorState state;
    return state;
}

}  // namespace

void SetWaitCursorHook(WaitCursorHook hook) {
    State().hook = std::move(hook);
}

WaitCursor::WaitCursor() {
    WaitCursorState &s = State();
    if (s.depth++ == 0 && s.hook) s.hook(true);
}

WaitCursor::~WaitCursor() {
    WaitCursorState &s = State();
    if (--s.depth == 0 && s.hook) s.hook(false);
}

}  // namespace kw
