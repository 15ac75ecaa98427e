// kwtool load of archives: the engine's dump files (".sda", and the close-time backup
// "~backup~.~~~"), recognised by their magic bytes 4A 08 E6 1A whatever their name. Loaded as the
// program's "Load Data..." loads them: with replacing, then the category fill, then "Archive
// loaded: %d duplicates" (or "Failed to load archive: %d").
#include <string>

#include "app/core/maintenance.h"
#include "load_kinds.h"
#include "session.h"

namespace kwtool {
namespace {

bool IsArchive(const std::string &head) {
    return head.size() >= 4 && head.compare(0, 4, "\x4A\x08\xE6\x1A", 4) == 0;
}

int LoadArchiveFile(LoadRequest &request) {
    kw::RecipeApplication &app = request.session.App();
    const KWRESULT r =
        kw::LoadArchive(app.Database(), app.SettingsFile(), request.path, request.session.Sink());
    return r == KW_OK ? 0 : 1;
}

}  // namespace

KWTOOL_LOAD_KIND(".sda", "Kettleworth archive", "", LoadArchiveFile, IsArchive);
KWTOOL_LOAD_KIND(".~~~", "Kettleworth backup (~backup~.~~~)", "", LoadArchiveFile, nullptr);

}  // namespace kwtool
