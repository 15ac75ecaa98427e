// The per-window state rules of KWSPIN32: ranges by mode, the main range, stepping, style bits
// and colours. See spin_state.h.
#include "spin_state.h"

#include <algorithm>

namespace kw::ctrl {

SpinState MakeSpinState(unsigned style) {
    SpinState state;
    state.style = style & 0xFFu;
    if (!IsTimeMode(style)) {
        state.main = {0, 9, 0};
    } else if (!(style & KWSS_CLOCK)) {
        state.main = {0, 99, 0};
    } else if (!(style & KWSS_12HOUR)) {
        state.main = {0, 23, 0};
    } else {
        state.main = {1, 24, 1};
    }
    return state;
}

bool SetMainRange(SpinState *state, int minimum, int maximum, bool *valueMoved) {
    *valueMoved = false;
    if (minimum >= maximum) return false;
    SpinPart &part = state->main;
    part.minimum = minimum;
    part.maximum = maximum;
    // A value on a bound moves too: the control treats only the inside of the range as settled.
    if (!(minimum < part.value && part.value < maximum)) {
        part.value = static_cast<int>((static_cast<int64_t>(minimum) + maximum) / 2);
        *valueMoved = true;
    }
    return true;
}

SpinPartId PartForHalf(unsigned style, unsigned halfBit) {
    if (halfBit & (KWSB_LEFTFIRST | KWSB_LEFTSECOND)) return SpinPartId::kMain;
    if (halfBit & (KWSB_RIGHTFIRST | KWSB_RIGHTSECOND))
        return IsTimeMode(style) ? SpinPartId::kMinutes : SpinPartId::kMain;
    return SpinPartId::kNone;
}

SpinPart *PartById(SpinState *state, SpinPartId id) {
    switch (id) {
        case SpinPartId::kMain:
            return &state->main;
        case SpinPartId::kMinutes:
            return &state->minutes;
        case SpinPartId::kNone:
            break;
    }
    return nullptr;
}

bool StepSpin(SpinState *state, unsigned halfBit) {
    SpinPart *part = PartById(state, PartForHalf(state->style, halfBit));
    if (!part) return false;
    bool up = (halfBit & (KWSB_RIGHTFIRST | KWSB_LEFTFIRST)) != 0;
    if (state->style & KWSS_REVERSE) up = !up;
    int64_t wanted = static_cast<int64_t>(part->value) + (up ? 1 : -1);
    int64_t kept = std::clamp<int64_t>(wanted, part->minimum, part->maximum);
    if (kept != wanted && (state->style & KWSS_NOSTEPATLIMIT)) return false;
    part->value = static_cast<int>(kept);
    return true;
}

bool SetStyleBit(SpinState *state, unsigned bit, bool on) {
    bool was = (state->style & bit) != 0;
    if (on)
        state->style |= bit;
    else
        state->style &= ~bit;
    return was;
}

int32_t SetSpinColor(SpinState *state, int index, int32_t color) {
    if (index < 0 || index >= KWSC_COUNT) return 0;
    int32_t old = state->colors[index];
    state->colors[index] = color;
    return old;
}

int32_t GetSpinColor(const SpinState &state, int index) {
    if (index < 0 || index >= KWSC_COUNT) return 0;
    return state.colors[index];
}

}  // namespace kw::ctrl
