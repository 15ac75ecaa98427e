// Database open, close, create, destroy and misc data.
#include "database.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "engine_state.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/profile.h"
#include "table_files.h"
#include "validation.h"

namespace kw::engine {
namespace {

// Longest registered directory the engine accepts. A longer value is refused (507) rather than
// cut, so a truncated path can never name some other existing directory.
constexpr size_t kMaxLocationLength = 4095;

std::string NameOrEmpty(const char *text) {
    return text ? std::string(text) : std::string();
}

// The registered directory of name, or def when the name is not registered.
std::string RegisteredLocation(const std::string &name, const std::string &def) {
    return platform::Profile(SettingsPath())
        .GetString(kLocationsSection, name, def, kMaxLocationLength + 1);
}

bool HasOuterBlank(const std::string &s) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return !s.empty() && (blank(s.front()) || blank(s.back()));
}

// Whether name=directory can be written as one profile line that reads back unchanged.
bool RegistrationRoundTrips(const std::string &name, const std::string &directory) {
    if (name.empty() || name.find_first_of("=\r\n") != std::string::npos || name[0] == '[' ||
        name[0] == ';')
        return false;
    if (directory.find_first_of("\r\n") != std::string::npos) return false;
    return !HasOuterBlank(name) && !HasOuterBlank(directory);
}

// Registry names compare without regard to ASCII case, as the profile file finds them.
bool SameRegisteredName(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const char x = (a[i] >= 'a' && a[i] <= 'z') ? static_cast<char>(a[i] - 32) : a[i];
        const char y = (b[i] >= 'a' && b[i] <= 'z') ? static_cast<char>(b[i] - 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

std::string MiscDataPath(const DatabaseSlot &database) {
    return platform::JoinPath(database.directory, kMiscDataFileName);
}

}  // namespace

KWRESULT OpenDatabase(const char *name, uint16_t *handle) {
    EngineUse use;
    if (KWRESULT r = use.Start()) return r;
    const std::string key = NameOrEmpty(name);
    const std::string directory = RegisteredLocation(key, kDefaultLocation);
    if (directory.size() > kMaxLocationLength || !platform::IsDirectory(directory))
        return KWERR_NOLOCATION;
    uint16_t slot = 0;
    if (KWRESULT r = TakeDatabaseSlot(key, directory, &slot)) return r;
    use.Keep();  // the open database is the engine's user until it is closed
    if (handle) *handle = slot;
    return KW_OK;
}

KWRESULT CloseDatabase(int32_t db) {
    DatabaseSlot *database = nullptr;
    if (KWRESULT r = CheckDatabase(db, &database)) return r;
    for (TableSlot &table : database->tables)
        if (table.definition && table.IsOpen()) SettleAndCloseTable(*database, table);
    ReleaseDatabaseSlot(static_cast<uint16_t>(db & 0xFFFF));
    StopEngine();
    return KW_OK;
}

KWRESULT CreateDatabase(const char *name, const char *directory, const void *misc,
                        int32_t miscLength) {
    EngineUse use;  // a user only while the create runs
    if (KWRESULT r = use.Start()) return r;
    const std::string key = NameOrEmpty(name);
    const std::string dir = NameOrEmpty(directory);
    uint16_t slot = 0;
    if (KWRESULT r = TakeDatabaseSlot(key, dir, &slot)) return r;
    const bool made = !dir.empty() && platform::MakeDirectory(dir);
    ReleaseDatabaseSlot(slot);  // the new database is not left open
    if (!made) return KWERR_NOLOCATION;
    platform::Profile ini(SettingsPath());
    if (!RegistrationRoundTrips(key, dir) || !ini.WriteString(kLocationsSection, key, dir)) {
        // Leaving the empty directory behind would make every retry fail with 507.
        platform::RemoveDirectory(dir);
        return KWERR_INIWRITE;
    }
    auto file = platform::OpenExclusive(platform::JoinPath(dir, kMiscDataFileName),
                                        platform::OpenMode::kCreateIfMissing);
    if (file && misc && miscLength > 0) file->WriteAt(0, misc, static_cast<size_t>(miscLength));
    return KW_OK;
}

KWRESULT DestroyDatabase(const char *name) {
    const std::string key = NameOrEmpty(name);
    const std::string directory = RegisteredLocation(key, "");
    if (directory.empty() || directory.size() > kMaxLocationLength) return KWERR_NOLOCATION;
    if (!platform::IsDirectory(directory)) return KW_OK;  // the registration stays
    // Any spelling that the registry resolves to an open database's entry is refused: its files
    // are open, and this platform would let them be deleted under it.
    for (const DatabaseSlot &slot : Engine().databases)
        if (slot.inUse && SameRegisteredName(slot.name, key)) return KWERR_INUSE;
    for (const std::string &file : platform::ListFiles(directory))
        platform::RemoveFile(platform::JoinPath(directory, file));
    platform::RemoveDirectory(directory);
    platform::Profile(SettingsPath()).WriteString(kLocationsSection, key, std::nullopt);
    return KW_OK;
}

KWRESULT GetMiscData(int32_t db, void *buffer, int32_t length) {
    DatabaseSlot *database = nullptr;
    if (KWRESULT r = CheckDatabase(db, &database)) return r;
    platform::RemoveFile(kStaleScratchFileName);
    auto file = platform::OpenExclusive(MiscDataPath(*database), platform::OpenMode::kExisting);
    if (!file) return KWERR_IO;
    if (length < 0 || (length > 0 && buffer == nullptr)) return KWERR_IO;
    const int64_t got = length == 0 ? 0 : file->ReadAt(0, buffer, static_cast<size_t>(length));
    return got == length ? KW_OK : KWERR_IO;
}

KWRESULT UpdateMiscData(int32_t db, const void *buffer, int32_t length) {
    DatabaseSlot *database = nullptr;
    if (KWRESULT r = CheckDatabase(db, &database)) return r;
    const std::string path = MiscDataPath(*database);
    auto file = platform::OpenExclusive(path, platform::OpenMode::kExisting);
    if (!file) return KWERR_IO;
    if (length < 0 || (length > 0 && buffer == nullptr)) return KWERR_IO;
    struct stat before;
    const bool haveTimes = ::stat(path.c_str(), &before) == 0;
    const int64_t put = length == 0 ? 0 : file->WriteAt(0, buffer, static_cast<size_t>(length));
    if (haveTimes) {
        // pwrite has set the modification time by now; put both times back before closing.
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    file.reset();
    return put == length ? KW_OK : KWERR_IO;
}

}  // namespace kw::engine
