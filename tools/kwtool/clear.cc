// kwtool clear --yes: deletes every record of every table, as "Clear Database..." does after its
// question "Are you sure you want to delete the entire database", which --yes answers. Without
// --yes nothing is opened and the command ends with status 2.
#include <cstdio>
#include <vector>

#include "app/core/maintenance.h"
#include "command.h"
#include "engine_results.h"
#include "session.h"

namespace kwtool {
namespace {

int RunClear(const Options &options) {
    std::vector<std::string> args = options.args;
    const bool yes = TakeFlag(&args, "--yes");
    if (!args.empty()) return Usage(options, "clear");
    if (!yes) return Fail("clear deletes every record of the database; give --yes to do it", 2);
    SessionOptions answers;
    answers.questions = QuestionPolicy::kAlwaysYes;
    return RunInSession(answers, [](Session &session) {
        const auto result = kw::ClearDatabase(session.Database(), session.Sink());
        if (!result) return Fail("nothing cleared");
        if (*result != KW_OK) return Fail("clear stopped: " + EngineResultText(*result));
        std::printf("every table cleared\n");
        return 0;
    });
}

}  // namespace

KWTOOL_COMMAND("clear", "--yes", "delete every record of KWDATA2", RunClear);

}  // namespace kwtool
