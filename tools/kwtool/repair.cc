// kwtool repair [--yes]: rebuilds every table's record chain from the blocks in its file, and its
// indexes with it, as "Repair Database" does. It asks "Are you sure you want to repair the
// database?" first: --yes answers Yes, otherwise the terminal is asked (no terminal: No, and the
// command ends with status 1). A failure is reported as "Failed to Recover Database: %d".
#include <cstdio>
#include <vector>

#include "app/core/maintenance.h"
#include "command.h"
#include "session.h"

namespace kwtool {
namespace {

int RunRepair(const Options &options) {
    std::vector<std::string> args = options.args;
    SessionOptions answers;
    if (TakeFlag(&args, "--yes")) answers.questions = QuestionPolicy::kAlwaysYes;
    if (!args.empty()) return Usage(options, "repair");
    return RunInSession(answers, [](Session &session) {
        const auto result = kw::RepairDatabase(session.Database(), session.Sink());
        if (!result) return Fail("nothing repaired");
        if (*result != KW_OK) return 1;
        std::printf("database repaired\n");
        return 0;
    });
}

}  // namespace

KWTOOL_COMMAND("repair", "[--yes]", "rebuild every table of KWDATA2 from the blocks in its files",
               RunRepair);

}  // namespace kwtool
