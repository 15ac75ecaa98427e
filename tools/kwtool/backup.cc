// kwtool backup FILE: writes the whole database KWDATA2 to an archive, as "Backup Database..."
// does: ".sda" is added to a FILE that holds no full stop anywhere (so "weekly" becomes
// "weekly.sda", but "my.files/weekly" stays as it is). "kwtool backup ~backup~.~~~" refreshes
// the close-time backup that recovery restores.
#include <cstdio>

#include "app/core/maintenance.h"
#include "command.h"
#include "session.h"

namespace kwtool {
namespace {

int RunBackup(const Options &options) {
    if (options.args.size() != 1) return Usage(options, "backup");
    return RunInSession({}, [&](Session &session) {
        std::string written;
        if (kw::BackupDatabase(session.Database(), options.args[0], session.Sink(), &written))
            return 1;
        std::printf("archive written to %s\n", written.c_str());
        return 0;
    });
}

}  // namespace

KWTOOL_COMMAND("backup", "FILE", "write the whole database to an archive (.sda added if no '.')",
               RunBackup);

}  // namespace kwtool
