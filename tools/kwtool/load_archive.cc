// kwtool load of archives: the engine's dump files (".sda", and the close-time backup
// "~backup~.~~~"), recognised by their magic bytes 4A 08 E6 1A whatever their name. Loaded as the
// program's "Load Data..." loads them: with replacing, then the category fill, then "Archive
// loaded: %d duplicates" (or "Failed to load archive: %d"). With --json the outcome also goes to
// standard output:
//
//   {"file", "status": "loaded" or "failed", "result", "duplicates"}
//
// result being the engine's result (0 when loaded).
#include <iostream>
#include <string>

#include "app/core/maintenance.h"
#include "json_text.h"
#include "load_kinds.h"
#include "session.h"

namespace kwtool {
namespace {

bool IsArchive(const std::string &head) {
    return head.size() >= 4 && head.compare(0, 4, "\x4A\x08\xE6\x1A", 4) == 0;
}

int LoadArchiveFile(LoadRequest &request) {
    kw::RecipeApplication &app = request.session.App();
    int32_t duplicates = 0;
    const KWRESULT r = kw::LoadArchive(app.Database(), app.SettingsFile(), request.path,
                                       request.session.Sink(), &duplicates);
    if (request.json)
        std::cout << "{\"file\":" << JsonString(request.path)
                  << ",\"status\":" << (r == KW_OK ? "\"loaded\"" : "\"failed\"")
                  << ",\"result\":" << r << ",\"duplicates\":" << duplicates << "}\n";
    return r == KW_OK ? 0 : 1;
}

}  // namespace

KWTOOL_LOAD_KIND(".sda", "Kettleworth archive", "", LoadArchiveFile, IsArchive);
KWTOOL_LOAD_KIND(".~~~", "Kettleworth backup (~backup~.~~~)", "", LoadArchiveFile, nullptr);

}  // namespace kwtool
