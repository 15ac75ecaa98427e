// kwtool write: writes every table's pending changes to its files, as "Write Database Now"
// does; a failure is reported as "Failed to Write Database: %d" and ends with status 1. (Every
// kwtool command writes everything when it ends; this one is for checking that the files can be
// written.)
#include <cstdio>

#include "app/core/maintenance.h"
#include "command.h"
#include "session.h"

namespace kwtool {
namespace {

int RunWrite(const Options &options) {
    if (!options.args.empty()) return Usage(options, "write");
    return RunInSession({}, [](Session &session) {
        if (kw::WriteDatabaseNow(session.Database(), session.Sink())) return 1;
        std::printf("database written\n");
        return 0;
    });
}

}  // namespace

KWTOOL_COMMAND("write", "", "write every table of KWDATA2 to its files now", RunWrite);

}  // namespace kwtool
