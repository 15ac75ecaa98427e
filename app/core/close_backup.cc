// The close-time backup, replaced only by a complete dump.
#include "close_backup.h"

#include <cstdio>

#include "platform/file.h"
#include "platform/path.h"

namespace kw {

std::string CloseBackupPath(const std::string &workingDirectory) {
    return platform::JoinPath(workingDirectory, kBackupFileName);
}

KWRESULT WriteCloseBackup(CKWDatabase &database, const std::string &workingDirectory) {
    const std::string backup = CloseBackupPath(workingDirectory);
    const std::string fresh = backup + ".new";
    // The engine's dump does not truncate, so a temporary file left by an earlier failure must
    // go first or its tail would stay behind the new dump.
    platform::RemoveFile(fresh);
    KWRESULT r = database.Dump(fresh);
    if (r == KW_OK) {
        auto file = platform::OpenExclusive(fresh, platform::OpenMode::kExisting);
        const bool synced = file && file->Sync();
        file.reset();
        if (!synced || std::rename(fresh.c_str(), backup.c_str()) != 0) r = KWERR_IO;
    }
    if (r != KW_OK) platform::RemoveFile(fresh);
    return r;
}

}  // namespace kw
