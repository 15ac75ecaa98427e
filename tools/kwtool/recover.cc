// kwtool recover [--yes]: replaces the database with the data of the last session, the
// close-time backup "~backup~.~~~" in the working directory, as "Recover Database!" does: every
// table is cleared and the backup loaded. It asks first (--yes answers Yes; without a terminal
// the answer is No and the command ends with status 1). The program reports nothing after a
// recovery; kwtool says whether the backup was loaded — when it is missing, the database is
// left empty.
#include <cstdio>
#include <vector>

#include "app/core/close_backup.h"
#include "command.h"
#include "engine_results.h"
#include "session.h"

namespace kwtool {
namespace {

int RunRecover(const Options &options) {
    std::vector<std::string> args = options.args;
    SessionOptions answers;
    if (TakeFlag(&args, "--yes")) answers.questions = QuestionPolicy::kAlwaysYes;
    if (!args.empty()) return Usage(options, "recover");
    return RunInSession(answers, [](Session &session) {
        const auto result = session.App().Recover();
        const std::string backup = kw::CloseBackupPath(session.App().WorkingDirectory());
        if (!result) return Fail("nothing recovered");
        if (*result != KW_OK)
            return Fail("the database was cleared but " + backup +
                        " could not be loaded (it holds what was loaded, nothing when the file "
                        "is missing): " +
                        EngineResultText(*result));
        std::printf("database recovered from %s\n", backup.c_str());
        return 0;
    });
}

}  // namespace

KWTOOL_COMMAND("recover", "[--yes]", "replace KWDATA2 with the last session's backup ~backup~.~~~",
               RunRecover);

}  // namespace kwtool
