// The engine's settings file KWDATA.INI in the working directory:
//
//   [Locations]            one key per registered database: name=directory
//   MYDB=/home/me/DATA2
//   [Cache]                buffer and write-mode settings, decimal text
//   BtreeBuffers=20        extra page buffers per index file, clamped to 0..255
//   StoreBuffers=20        2048-byte block buffers per table, at least 0
//   BtreeType=2            index write mode: 0 (no extra buffers), 1 write-through, 2 deferred
//   StoreType=2            store write mode: 2 deferred, anything else write-through (0..2)
//
// A missing file, key or unreadable file gives the defaults; a text that is not a number reads as
// 0 (so BtreeType "abc" leaves every index file with only its 4 page buffers).
#pragma once

#include <cstdint>
#include <string>

namespace kw::engine {

inline constexpr char kSettingsFileName[] = "KWDATA.INI";
inline constexpr char kLocationsSection[] = "Locations";
inline constexpr char kCacheSection[] = "Cache";

struct Settings {
    int32_t btreeBuffers = 20;
    int32_t storeBuffers = 20;
    int32_t btreeType = 2;
    int32_t storeType = 2;
};

// The working directory joined with "KWDATA.INI".
std::string SettingsPath();

// Reads and clamps the "Cache" section of the settings file at path.
Settings ReadSettings(const std::string &path);

// Decimal text to integer the way the settings are converted: leading blanks, an optional sign,
// digits up to the first other character; no digits give 0, overflow saturates.
int32_t DecimalToInt(const std::string &text);

}  // namespace kw::engine
