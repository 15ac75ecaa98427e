// kwtool import FILE... [--filter N] [--encoding E] [--log FILE]: imports the recipes of text
// files (Meal-Master, MasterCook or the program's own recipe text) into KWDATA2, as "Load
// Data..." imports a text file, many files in one run (import_run.h). With --json the counts are
// printed as JSON.
#include "command.h"
#include "import_run.h"
#include "session.h"

namespace kwtool {
namespace {

int RunImportCommand(const Options &options) {
    std::vector<std::string> args = options.args;
    ImportRequest request;
    if (!TakeImportOptions(&args, &request)) return 2;
    if (args.empty()) return Usage(options, "import");
    for (const std::string &arg : args)
        if (arg.starts_with("--")) return Usage(options, "import");
    request.files = args;
    request.json = options.json;
    return RunInSession({}, [&](Session &session) { return RunImport(session, request); });
}

}  // namespace

KWTOOL_COMMAND("import", "FILE... [--filter N] [--encoding E] [--log FILE]",
               "import the recipes of text files (Meal-Master, MasterCook, Kettleworth)",
               RunImportCommand);

}  // namespace kwtool
