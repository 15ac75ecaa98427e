// The backup of the whole database that the program writes when its main window closes,
// "~backup~.~~~" in the working directory, and from which recovery restores the previous run's
// data after an unclean end (maintenance.h, RecoverDatabase).
//
// The dump goes to a fresh temporary file beside the backup ("~backup~.~~~.new"), which is
// synced and then renamed over the backup only when the dump succeeded. So the backup is always
// either the previous complete one or the new complete one: a dump that fails part-way (a full
// disk, a damaged table) or a crash during the dump never leaves recovery a half-written file.
// A failed dump removes its temporary file; the result is not reported to the user.
#pragma once

#include <string>

#include "app/data/database.h"

namespace kw {

inline constexpr char kBackupFileName[] = "~backup~.~~~";

// workingDirectory + "/~backup~.~~~".
std::string CloseBackupPath(const std::string &workingDirectory);

// Dumps the database to the backup as described above. Returns the dump's result, or 522 when
// the finished file could not be synced or renamed (the old backup then stays).
KWRESULT WriteCloseBackup(CKWDatabase &database, const std::string &workingDirectory);

}  // namespace kw
