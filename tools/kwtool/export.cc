// kwtool export [--recipes] [--ingredients] FILE: writes the chosen kinds of record of KWDATA2
// to an export file, as "Export Data..." does (app/interchange/export_data.h); without either
// option both are written. ".sce" is added to a FILE that holds no full stop anywhere. Amounts
// are written in the unit system of the program's settings.
#include <cstdio>

#include "app/interchange/export_data.h"
#include "command.h"
#include "session.h"

namespace kwtool {
namespace {

int RunExport(const Options &options) {
    std::vector<std::string> args = options.args;
    kw::ExportSelection selection;
    selection.recipes = TakeFlag(&args, "--recipes");
    selection.ingredients = TakeFlag(&args, "--ingredients");
    if (!selection.recipes && !selection.ingredients)
        selection.recipes = selection.ingredients = true;
    if (args.size() != 1 || args[0].starts_with("--")) return Usage(options, "export");
    const std::string path = kw::ExportFilePath(args[0]);
    return RunInSession({}, [&](Session &session) {
        const kw::Settings &settings = session.App().UserSettings();
        const kw::NumberSettings numbers{settings.units, settings.decimal, settings.exact};
        const kw::ExportOutcome outcome =
            kw::ExportData(session.Database(), path, selection, numbers, session.Sink());
        if (!outcome.ok) return 1;
        std::printf("%s: %d ingredient(s), %d recipe(s) written (version %d)\n", path.c_str(),
                    outcome.ingredients, outcome.recipes, outcome.version);
        return 0;
    });
}

}  // namespace

KWTOOL_COMMAND("export", "[--recipes] [--ingredients] FILE",
               "write recipes and ingredients to an export file (.sce added if no '.')", RunExport);

}  // namespace kwtool
