// The program's settings file, "recipe.INI" in the working directory, which the window program
// and kwtool share, and every key it holds:
//
//   SECTION    KEY              TYPE          DEFAULT              WRITTEN BY
//   Status     WVersion         text "%d.%d"  none                 every start (never read)
//   Status     Clean            integer       1                    0 at start, 1 at a normal end
//   Install    LastUsed         integer text  0                    every start (seconds since 1970)
//   Install    ReIndex          integer text  0                    deleted after the index rebuild
//   Install    Version          text          1.3                  every start: "2.0"
//   Install    Location         text          WORKDIR/DATA2        the installer
//   Install    FileCount        integer text  0                    deleted after the first run
//   Install    File01..FileNN   text          ""                   each deleted after its load
//   Install    FillRcpRec       integer       1                    0 after the category fill
//   Settings   Units            integer       by language          General preferences
//   Settings   Temperature      integer       0                    General preferences
//   Settings   Exact            integer       0                    General preferences
//   Settings   Decimal          integer       by language          General preferences
//   Settings   EmailAttachment  integer       1                    General preferences
//   Settings   WindowPos        placement     none                 main window at close
//   Print      Grid             integer       0                    Printing preferences
//   Print      Font1..Font3     font          see kDefaultFont*    Printing preferences
//   Print      MarginTop/Left/Right/Bottom  integer  720 (twips)   Printing preferences
//   Print      MetricPaper      integer       0                    Printing preferences
//   Links      Count            integer       0                    Web Links preferences
//   Links      Link1.., URL1..  text          ""                   Web Links preferences
//
// Integers are decimal text. Fonts are encoded as font_description.h shows, the placement as
// window_placement.h shows; the language-dependent defaults are in locale_defaults.h.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kw {

inline constexpr char kSettingsFileName[] = "recipe.INI";

// The absolute settings file path for a working directory.
std::string SettingsFilePath(const std::string &workingDirectory);

namespace setting {
inline constexpr char kStatus[] = "Status";
inline constexpr char kInstall[] = "Install";
inline constexpr char kSettings[] = "Settings";
inline constexpr char kPrint[] = "Print";
inline constexpr char kLinks[] = "Links";

inline constexpr char kWVersion[] = "WVersion";
inline constexpr char kClean[] = "Clean";
inline constexpr char kLastUsed[] = "LastUsed";
inline constexpr char kReIndex[] = "ReIndex";
inline constexpr char kVersion[] = "Version";
inline constexpr char kLocation[] = "Location";
inline constexpr char kFileCount[] = "FileCount";
inline constexpr char kFillRcpRec[] = "FillRcpRec";
inline constexpr char kUnits[] = "Units";
inline constexpr char kTemperature[] = "Temperature";
inline constexpr char kExact[] = "Exact";
inline constexpr char kDecimal[] = "Decimal";
inline constexpr char kEmailAttachment[] = "EmailAttachment";
inline constexpr char kWindowPos[] = "WindowPos";
inline constexpr char kGrid[] = "Grid";
inline constexpr char kFont1[] = "Font1";
inline constexpr char kFont2[] = "Font2";
inline constexpr char kFont3[] = "Font3";
inline constexpr char kMarginTop[] = "MarginTop";
inline constexpr char kMarginLeft[] = "MarginLeft";
inline constexpr char kMarginRight[] = "MarginRight";
inline constexpr char kMarginBottom[] = "MarginBottom";
inline constexpr char kMetricPaper[] = "MetricPaper";
inline constexpr char kCount[] = "Count";

inline constexpr char kDefaultVersion[] = "1.3";
inline constexpr char kDefaultFont1[] = "0,-16,0,0,700,0,1,0,3,2,1,34,Arial";
inline constexpr char kDefaultFont2[] = "0,-13,0,0,700,0,0,0,3,2,1,34,Arial";
inline constexpr char kDefaultFont3[] = "0,-13,0,0,400,0,0,0,3,2,1,34,Arial";
inline constexpr char kDatabaseDirectoryName[] = "DATA2";

// Numbered keys: "File%02d" (archives of the first run), "Link%d" and "URL%d" (web links).
std::string ArchiveFileKey(int index);
std::string LinkTitleKey(int index);
std::string LinkUrlKey(int index);
}  // namespace setting

enum class SettingType { kInteger, kText, kFont, kWindowPlacement };

struct SettingKey {
    const char *section;
    const char *key;
    SettingType type;
};

// The fixed keys of the table above in table order (the numbered keys are not listed).
const std::vector<SettingKey> &KnownSettingKeys();

// The entry of a fixed key (names compare without regard to case), or nullptr.
const SettingKey *FindSettingKey(const std::string &section, const std::string &key);

// The value a key reads as when the file lacks it, or nullopt for a key without a default
// ("WVersion", "WindowPos") or an unknown key. Numbered keys default to "".
std::optional<std::string> DefaultSettingValue(const std::string &section, const std::string &key,
                                               const std::string &locale,
                                               const std::string &workingDirectory);

// Whether value is acceptable for a key of this type: an integer, a decodable font or placement,
// anything for text.
bool IsValidSettingValue(SettingType type, const std::string &value);

}  // namespace kw
