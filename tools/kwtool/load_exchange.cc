// kwtool load of the two interchange kinds of file: export files (".sce", known by their header
// "KW E ") loaded as "Load Data..." loads them (app/interchange/export_load.h), and recipe text
// files (".txt") imported like "kwtool import" imports one file (import_run.h; the options
// --filter, --encoding and --log are taken here too). With --json the counts go to standard
// output as JSON; for an export file:
//
//   {"file", "status", "version", "ingredients", "recipes", "duplicates", "errors"}
//
// with status "complete", "not-export-file", "unsupported-version", "file-error" or
// "database-error". The exit status is 1 when the load did not complete or counted errors.
#include <cstdio>
#include <iostream>

#include "app/interchange/export_load.h"
#include "import_run.h"
#include "json_text.h"
#include "load_kinds.h"
#include "session.h"

namespace kwtool {
namespace {

using kw::LoadOutcome;

// The terminal's progress line, and the periodic write between the lines of the file: the
// window program's timer writes the tables while its progress window pumps messages.
class WritingProgress final : public kw::Progress {
  public:
    explicit WritingProgress(Session &session) : session_(session) {}
    void Begin(int low, int high, const std::string &text, const std::string &label,
               bool cancelEnabled) override {
        session_.Progress().Begin(low, high, text, label, cancelEnabled);
    }
    void SetPosition(int position) override {
        session_.Progress().SetPosition(position);
        session_.WriteIfDue();
    }
    bool Cancelled() override { return session_.Progress().Cancelled(); }
    void End() override { session_.Progress().End(); }

  private:
    Session &session_;
};

bool IsExportFile(const std::string &head) {
    return head.starts_with("KW E ");
}

const char *StatusName(LoadOutcome::Status status) {
    switch (status) {
        case LoadOutcome::Status::kComplete:
            return "complete";
        case LoadOutcome::Status::kCancelled:
            return "cancelled";
        case LoadOutcome::Status::kNotExportFile:
            return "not-export-file";
        case LoadOutcome::Status::kUnsupportedVersion:
            return "unsupported-version";
        case LoadOutcome::Status::kFileError:
            return "file-error";
        case LoadOutcome::Status::kDatabaseError:
            return "database-error";
    }
    return "unknown";
}

int LoadExport(LoadRequest &request) {
    const kw::Settings &settings = request.session.App().UserSettings();
    const kw::NumberSettings numbers{settings.units, settings.decimal, settings.exact};
    WritingProgress progress(request.session);
    const LoadOutcome outcome = kw::LoadExportFile(request.session.Database(), request.path,
                                                   numbers, request.session.Sink(), progress);
    if (request.json) {
        std::cout << "{\"file\":" << JsonString(request.path)
                  << ",\"status\":" << JsonString(StatusName(outcome.status))
                  << ",\"version\":" << outcome.version
                  << ",\"ingredients\":" << outcome.ingredients
                  << ",\"recipes\":" << outcome.recipes << ",\"duplicates\":" << outcome.duplicates
                  << ",\"errors\":" << outcome.errors << "}\n";
    } else if (outcome.status == LoadOutcome::Status::kComplete) {
        std::printf("%s: %d ingredient(s) and %d recipe(s) added\n", request.path.c_str(),
                    outcome.ingredients, outcome.recipes);
    }
    return outcome.status == LoadOutcome::Status::kComplete && outcome.errors == 0 ? 0 : 1;
}

int LoadText(LoadRequest &request) {
    ImportRequest import;
    if (!TakeImportOptions(&request.args, &import)) return 2;
    if (!request.args.empty()) {
        std::fprintf(stderr, "kwtool: load of a text file takes --filter, --encoding, --log\n");
        return 2;
    }
    import.files = {request.path};
    import.json = request.json;
    return RunImport(request.session, import);
}

}  // namespace

KWTOOL_LOAD_KIND(".sce", "Kettleworth export file", "", LoadExport, IsExportFile);
KWTOOL_LOAD_KIND(".txt", "recipe text (Meal-Master, MasterCook, Kettleworth)",
                 "[--filter N] [--encoding E] [--log FILE]", LoadText, nullptr);

}  // namespace kwtool
