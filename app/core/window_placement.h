// The main window's placement as the settings file keeps it ("Settings"/"WindowPos"): ten
// comma-separated decimal numbers, in the order of the platform's window-placement fields
//
//   FIELD  MEANING
//   1      flags            (unsigned; kRestoreToMaximized when the window was maximised)
//   2      show command     (unsigned)
//   3, 4   minimised position x, y
//   5, 6   maximised position x, y
//   7-10   normal rectangle left, top, right, bottom
//
// A value that is not exactly ten numbers in range (nine numbers, eleven, a letter, an empty
// field, a number too large) decodes to nullopt: the window then opens with the platform's
// default placement and no recovery offer is made.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kw {

inline constexpr uint32_t kRestoreToMaximized = 2;

struct WindowPlacement {
    uint32_t flags = 0;
    uint32_t showCommand = 0;
    int32_t minX = 0, minY = 0;
    int32_t maxX = 0, maxY = 0;
    int32_t left = 0, top = 0, right = 0, bottom = 0;

    bool operator==(const WindowPlacement &) const = default;
};

std::string EncodeWindowPlacement(const WindowPlacement &placement);
std::optional<WindowPlacement> DecodeWindowPlacement(const std::string &text);

}  // namespace kw
