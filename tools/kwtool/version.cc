// kwtool version: the component versions of kwtool and the libraries shipped beside it, read from
// the version record each file embeds ("Not Installed" when a file is missing).
#include <cstdio>
#include <string>

#include "app/core/component_version.h"
#include "command.h"
#include "json_text.h"
#include "platform/path.h"
#include "platform/text_encoding.h"

namespace kwtool {
namespace {

int RunVersion(const Options &options) {
    if (!options.args.empty()) return Usage(options, "version");
    std::string dir = kw::platform::ExecutableDirectory();
    struct Component {
        const char *name;
        std::string path;
    } components[] = {
        {"kwtool", "/proc/self/exe"},
        {"libkwdata.so", kw::platform::JoinPath(dir, "libkwdata.so")},
        {"libkwimpt.so", kw::platform::JoinPath(dir, "libkwimpt.so")},
        {"libkwctrl.so", kw::platform::JoinPath(dir, "libkwctrl.so")},
    };
    std::string json;
    for (const auto &c : components) {
        kw::ComponentVersion v = kw::GetComponentVersion(c.path);
        std::string version = kw::platform::Cp1252ToUtf8(v.version);
        std::string special = kw::platform::Cp1252ToUtf8(v.specialBuild);
        if (options.json) {
            json += json.empty() ? "{" : ",";
            json += JsonString(c.name) + ":{\"version\":" + JsonString(version) +
                    ",\"specialBuild\":" + JsonString(special) + "}";
        } else {
            std::printf("%-14s %s%s\n", c.name, version.c_str(),
                        special.empty() ? "" : (" (" + special + ")").c_str());
        }
    }
    if (options.json) std::printf("%s}\n", json.c_str());
    return 0;
}

}  // namespace

KWTOOL_COMMAND("version", "", "show the versions of kwtool and the libraries beside it",
               RunVersion);

}  // namespace kwtool
