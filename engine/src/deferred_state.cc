// The deleter of a table slot's deferred state (deferred_state.h).
#include "deferred_state.h"

#include "slots.h"

namespace kw::engine {

void DeferredStateDeleter::operator()(DeferredState *state) const {
    delete state;
}

}  // namespace kw::engine
