// kwtool load FILE [--yes] [OPTIONS]: reads a file into the database KWDATA2 through the kind of
// file it is (load_kinds.h): Kettleworth archives (".sda") and the close-time backup
// ("~backup~.~~~") are loaded with replacing, followed by the category fill and the duplicate
// count ("Archive loaded: %d duplicates"). --yes answers Yes to every question the load asks.
// "kwtool load --kinds" lists the kinds this kwtool knows.
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "load_kinds.h"
#include "platform/path.h"
#include "session.h"

namespace kwtool {
namespace {

std::string KnownExtensions() {
    std::string list;
    for (const LoadKind &kind : LoadKinds())
        list += (list.empty() ? "" : ", ") + std::string(kind.extension);
    return list;
}

int ListKinds() {
    for (const LoadKind &kind : LoadKinds())
        std::printf("%-6s %s%s%s\n", kind.extension, kind.description, *kind.options ? "  " : "",
                    kind.options);
    return 0;
}

int RunLoad(const Options &options) {
    std::vector<std::string> args = options.args;
    if (args.size() == 1 && args[0] == "--kinds") return ListKinds();
    const bool yes = TakeFlag(&args, "--yes");
    if (args.empty()) return Usage(options, "load");
    const std::string path = args[0];
    args.erase(args.begin());
    if (!kw::platform::IsRegularFile(path)) return Fail("cannot read " + path + ": no such file");
    const LoadKind *kind = FindLoadKind(path);
    if (!kind)
        return Fail(
            "cannot tell what kind of file " + path + " is; kwtool loads " + KnownExtensions(), 2);
    if (!*kind->options && !args.empty()) return Usage(options, "load");

    SessionOptions sessionOptions;
    sessionOptions.questions = yes ? QuestionPolicy::kAlwaysYes : QuestionPolicy::kAskOnTerminal;
    return RunInSession(sessionOptions, [&](Session &session) {
        LoadRequest request{session, path, args, options.json};
        return kind->load(request);
    });
}

}  // namespace

KWTOOL_COMMAND("load", "FILE [--yes] [OPTIONS] | --kinds",
               "load an archive (.sda, ~backup~.~~~) or another kind of file into KWDATA2",
               RunLoad);

}  // namespace kwtool
