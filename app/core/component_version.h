// The version of a deliverable file, for the About box and the printed footers. Every deliverable
// embeds one version record (cmake/KwCommon.cmake, kw_embed_version), found by scanning the file:
//
//   OFFSET  SIZE      MEANING
//   0       16        marker "@(#)Kettleworth;"
//   16      variable  fields "Name=Value;" in any order: Component (required, the file's name),
//                     FileVersion ("2.0.0"), Flags (decimal: 0x01 debug, 0x02 pre-release,
//                     0x20 special build), SpecialBuild (free text)
//   end     1         NUL (at most kMaxVersionRecord bytes after the marker)
//
// The first record with a Component field counts; a bare marker (as in the program that does the
// scanning) is skipped. At most kMaxVersionScan bytes of a file are read, in chunks.
//
// The text of a component's version:
//   missing file (or not a plain file)                  "Not Installed"
//   no record, or the file cannot be read               "Unknown"
//   otherwise FileVersion ("Unknown" without one), then " [Debug]" for flag 0x01 and " [BETA]"
//   for 0x02; the special-build text is SpecialBuild when flag 0x20 is set, else "".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kw {

inline constexpr int64_t kMaxVersionScan = 256LL << 20;
inline constexpr size_t kMaxVersionRecord = 1024;

inline constexpr char kNotInstalled[] = "Not Installed";
inline constexpr char kUnknownVersion[] = "Unknown";

struct ComponentVersion {
    std::string version;       // e.g. "2.0.0 [Debug]"
    std::string specialBuild;  // "" unless a special build
};

ComponentVersion GetComponentVersion(const std::string &path);

// One line of the About box's component list: a file and the message that shows its version.
struct AboutComponent {
    std::string fileName;  // the file beside the program; "" for the program itself
    int lineMessage;       // 1600..1603: "...\tVersion %1"
};

// The components in list order: the engine (libkwdata.so), the time-entry control
// (libkwctrl.so), the import filters (libkwimpt.so) and the grid control, which on this platform
// is part of the program itself and so shows the program's version.
const std::vector<AboutComponent> &AboutComponents();

// The About box's component lines ("Database Engine\tVersion 2.0.0", ...), the libraries looked
// up in libraryDirectory and the program's own entry in programPath.
std::vector<std::string> AboutComponentLines(const std::string &libraryDirectory,
                                             const std::string &programPath);

// "Kettleworth Application - Version " followed by the program's version text.
std::string AboutVersionLine(const std::string &programVersion);

}  // namespace kw
