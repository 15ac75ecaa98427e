// Opening and closing KWDATA2 for the commands that do without a Session (see
// command_database.h).
#include "command_database.h"

#include "app/core/index_rebuild.h"
#include "app/core/recipe_database.h"
#include "app/core/schema.h"
#include "app/core/setting_keys.h"
#include "app/core/startup_flags.h"
#include "command.h"
#include "engine_results.h"
#include "instance.h"
#include "platform/path.h"
#include "session.h"

namespace kwtool {

CommandDatabase::~CommandDatabase() {
    Close();
}

int CommandDatabase::Open(DatabaseUse use, const OpenFailureReport &report) {
    const std::string settingsPath = kw::SettingsFilePath(kw::platform::WorkingDirectory());
    // A reader after a clean end changes nothing, so it needs neither the lock nor the flag.
    const bool marks =
        use == DatabaseUse::kWrite || !kw::LastRunEndedCleanly(kw::platform::Profile(settingsPath));
    bool previousRunClean = true;
    if (marks) {
        lock_ = LockWorkingDirectory();
        if (!lock_) return 1;
        settings_ = std::make_unique<kw::platform::Profile>(settingsPath);
        // Read again under the lock: the run that held it may have ended since.
        previousRunClean = kw::MarkRunStarted(*settings_);
    }
    // A failed open writes nothing, so the flag goes back to what it was.
    sound_ = previousRunClean;
    if (const KWRESULT r = kw::OpenRecipeDatabase(database_)) {
        Close();
        return report(r);
    }
    if (!previousRunClean) {
        const kw::IndexRebuild rebuild = kw::RebuildAllIndexes(database_);
        rebuilt_ = true;
        sound_ = rebuild.result == KW_OK;
        ReportIndexRebuild(false, rebuild.repaired, rebuild.result);
    }
    return 0;
}

int CommandDatabase::Close() {
    if (closed_) return 0;
    closed_ = true;
    const KWRESULT closed = database_.IsOpen() ? database_.Close() : KW_OK;
    if (settings_ && sound_ && closed == KW_OK) kw::MarkRunEnded(*settings_);
    lock_.reset();
    if (closed != KW_OK)
        return Fail("the database could not be closed cleanly: " + EngineResultText(closed) +
                    (settings_ ? "; the next start rebuilds its indexes" : ""));
    return 0;
}

int ReportOpenFailure(KWRESULT result) {
    const std::string name = kw::schema::kDatabaseName;
    if (result == KWERR_NOLOCATION)
        return Fail("database " + name +
                    " is not registered here or its directory is missing; run 'kwtool create' "
                    "first (507)");
    return Fail("cannot open database " + name + ": " + EngineResultText(result));
}

}  // namespace kwtool
