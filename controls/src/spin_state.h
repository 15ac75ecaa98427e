// The per-window state of a KWSPIN32 control and the rules that change it without a window:
// the ranges each mode starts with, setting the main range, one arrow step, the two switchable
// style bits and the five colours. The widget owns one SpinState and repaints or rewrites its
// text when these functions say so.
//
// Invariant kept by every function here: each part's value stays within its part's range.
#pragma once

#include <cstdint>

#include "kwctrl_defs.h"

namespace kw::ctrl {

struct SpinPart {
    int minimum = 0;
    int maximum = 0;
    int value = 0;
};

// Which part an arrow press steps.
enum class SpinPartId { kNone, kMain, kMinutes };

struct SpinState {
    unsigned style = 0;          // KWSS_* bits
    SpinPart minutes{0, 59, 0};  // used in time mode only
    SpinPart main;               // the hours in time mode, the number otherwise
    unsigned buttons = 0;        // KWSB_* bits
    int32_t colors[KWSC_COUNT] = {KWSC_DEFAULT, KWSC_DEFAULT, KWSC_DEFAULT, KWSC_DEFAULT,
                                  KWSC_DEFAULT};
};

inline bool IsTimeMode(unsigned style) {
    return (style & KWSS_TIME) != 0;
}
// The am/pm form is chosen by its own bit, whatever the clock bit says.
inline bool Is12HourText(unsigned style) {
    return IsTimeMode(style) && (style & KWSS_12HOUR);
}

// The state of a new control with the given style: number 0-9, time 0-99, clock 0-23 or
// 12-hour clock 1-24 (value 1); minutes 0-59.
SpinState MakeSpinState(unsigned style);

// Sets the main range. Returns false (and changes nothing) when minimum is not below maximum.
// A value not strictly between the new bounds becomes (minimum + maximum) / 2; *valueMoved
// tells whether that happened, so the caller reformats the text.
bool SetMainRange(SpinState *state, int minimum, int maximum, bool *valueMoved);

// The part an arrow half steps: the right-hand button steps the minutes in time mode and the
// number otherwise; the left-hand one steps the hours.
SpinPartId PartForHalf(unsigned style, unsigned halfBit);
SpinPart *PartById(SpinState *state, SpinPartId id);

// One step for the pressed half (a KWSB_ pressed bit). The first half increases and the second
// decreases, both reversed by KWSS_REVERSE; the value never leaves its range. Returns whether
// the text must be reformatted: always, except at a limit with KWSS_NOSTEPATLIMIT.
bool StepSpin(SpinState *state, unsigned halfBit);

// Sets (on) or clears one style bit and returns whether it was set before.
bool SetStyleBit(SpinState *state, unsigned bit, bool on);

// Colour index 0-4 becomes color; returns the old colour, or 0 for any other index.
int32_t SetSpinColor(SpinState *state, int index, int32_t color);
int32_t GetSpinColor(const SpinState &state, int index);

}  // namespace kw::ctrl
