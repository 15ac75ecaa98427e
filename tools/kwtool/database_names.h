// The program's database: its registered name and the directory (in the working directory) in
// which a first run creates it.
#pragma once

namespace kwtool {

inline constexpr char kDatabaseName[] = "KWDATA2";
inline constexpr char kDatabaseDirectory[] = "DATA2";

}  // namespace kwtool
