// The whole-database commands of the File and Tools menus, without their dialogs: the caller has
// already chosen the file, and the questions the commands ask go through the MessageSink (a No
// ends the command). Each applies one engine operation to every table in schema order, stopping
// at the first failure (CKWDatabase's *All loops), or one archive operation to the database; the
// data access classes raise the wait cursor meanwhile.
//
//   COMMAND          ASKS                          ON FAILURE (exclamation icon, engine result)
//   BackupDatabase   -                             "Failed to create archive: %d"
//   LoadArchive      -                             "Failed to load archive: %d"
//                    on success, after the category fill: "Archive loaded: %d duplicates"
//   ReindexDatabase  -                             "Failed to Reindex Database: %d"
//   WriteDatabaseNow -                             "Failed to Write Database: %d"
//   ClearDatabase    "Are you sure you want to delete the entire database"   (not reported)
//   RepairDatabase   "Are you sure you want to repair the database?"
//                                                  "Failed to Recover Database: %d"
//   RecoverDatabase  "Changes made in the last session may be lost.\nAre you sure that you
//                    want to recover the database?"                         (not reported)
//
// The database stays open in whatever state the engine left it; nothing is retried.
#pragma once

#include <optional>
#include <string>

#include "app/data/database.h"
#include "messages.h"
#include "platform/profile.h"

namespace kw {

inline constexpr char kArchiveExtension[] = ".sda";

// The file a backup goes to: the chosen path with ".sda" appended when it holds no full stop
// anywhere — so a name in a directory whose name holds one ("my.files/backup") is kept as it is.
std::string ArchivePathFor(const std::string &chosenPath);

// Dumps the database to ArchivePathFor(chosenPath) (stored in *writtenPath when not null).
KWRESULT BackupDatabase(CKWDatabase &database, const std::string &chosenPath, MessageSink &sink,
                        std::string *writtenPath = nullptr);

// Loads an archive with the replace flag set (a record whose unique key is stored already
// replaces the stored one, and counts as a duplicate); on success fills the category links
// (category_fill.h) and reports the duplicate count. *duplicates (when not null) receives the
// count even after a failure.
KWRESULT LoadArchive(CKWDatabase &database, platform::Profile &settings, const std::string &path,
                     MessageSink &sink, int32_t *duplicates = nullptr);

KWRESULT ReindexDatabase(CKWDatabase &database, MessageSink &sink);
KWRESULT WriteDatabaseNow(CKWDatabase &database, MessageSink &sink);

// The periodic write: every table flushed, nothing reported.
KWRESULT FlushAllTables(CKWDatabase &database);

// nullopt when the user answered No; otherwise the engine's result.
std::optional<KWRESULT> ClearDatabase(CKWDatabase &database, MessageSink &sink);
std::optional<KWRESULT> RepairDatabase(CKWDatabase &database, MessageSink &sink);

// Recovery of the previous run's data: every table cleared, then backupPath loaded without
// replacing. A missing or unreadable backup leaves the database empty; a failed clear still
// loads. nullopt when the user answered No, otherwise the load's result.
std::optional<KWRESULT> RecoverDatabase(CKWDatabase &database, const std::string &backupPath,
                                        MessageSink &sink);

}  // namespace kw
