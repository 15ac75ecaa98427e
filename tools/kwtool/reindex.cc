// kwtool reindex: rebuilds every index of every table from its records, as "Reindex Database"
// does; a failure is reported as "Failed to Reindex Database: %d" and ends with status 1.
#include <cstdio>

#include "app/core/maintenance.h"
#include "command.h"
#include "session.h"

namespace kwtool {
namespace {

int RunReindex(const Options &options) {
    if (!options.args.empty()) return Usage(options, "reindex");
    return RunInSession({}, [](Session &session) {
        if (kw::ReindexDatabase(session.Database(), session.Sink())) return 1;
        std::printf("every index rebuilt\n");
        return 0;
    });
}

}  // namespace

KWTOOL_COMMAND("reindex", "", "rebuild every index of KWDATA2 from its records", RunReindex);

}  // namespace kwtool
