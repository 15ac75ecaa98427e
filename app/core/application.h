// RecipeApplication: the program's application object without its windows. It owns, for one run
// in the working directory, the instance lock, the settings file "recipe.INI", the open database
// KWDATA2 with its ten tables, the long-lived KWINGDAT instance and cursor and the KWRECIPE
// table, and the user settings. The window program's CRecipeApp wraps one and supplies the
// window steps as hooks; kwtool drives one per command (tools/kwtool/session.h); tests drive it
// with a RecordingSink.
//
// Start, in this order (a step that stops makes Start fail; nothing is retried):
//    1 instance lock on the working directory; held elsewhere: hooks.anotherInstance, stop
//    2 hooks.initialiseOle; false: "Ole Initialization Failed", stop
//    3 hooks.initialiseControls
//    4 the start time (options.startTime, else now)
//    5 the settings file: recipe.INI in the working directory
//    6 "WVersion" written; "Clean" read (missing: clean) as PreviousRunClean, then "Clean" = 0
//    7 first run, "ReIndex" and version change read; "Version" = "2.0"
//    8 the database location, "Install"/"Location" (default WORKDIR/DATA2)
//    9 KWDATA2 opened with the schema
//   10 not opened: an empty location directory removed, then on the first run KWDATA2 created
//      there; failure (or not the first run): "Failed to create database: %d" with the creation
//      result (1 when not the first run), stop
//   11 rebuild needed (unclean end, version change or "ReIndex"): every index rebuilt, damaged
//      tables repaired (index_rebuild.h); "ReIndex" deleted, else "Failed to update .INI file"
//   12 hooks.createTemplates; false: stop
//   13 the settings loaded ("Settings", "Print", "Links")
//   14 first run with "FileCount" above 0: progress "Loading Data..." / "Loading Recipes...",
//      range 1..FileCount+1, no Cancel; each "File%02d" loaded (no replace, no duplicate count),
//      "Failed to load archive" when that fails, the key deleted whatever happened, the position
//      set to its number; then "FileCount" deleted and the progress ended
//   15 "LastUsed" = the start time
//   16 "FillRcpRec" nonzero: every recipe's self-link added (category_fill.h), "FillRcpRec" = 0
//   17 KWINGDAT (with one instance and a cursor on its index 0) and KWRECIPE bound; failure: stop
//   18 the write interval, 30000 ms
//   19 hooks.createMainFrame (main frame, placement restore — which calls OfferRecovery — and
//      the form font); false: stop
//
// Exit (also run by the destructor, and safe after a failed Start): the KWINGDAT cursor and
// instance released, the tables and the database closed, and then "Clean" = 1 — but only when
// this run marked itself started (step 6), its database was sound (opened, and any rebuild of
// step 11 completed) and closed without a failure. A second start refused at step 1 therefore
// never marks the first one's run clean, and a run whose data may not all have reached the disk
// leaves "Clean" 0 for the next start to rebuild. Settings are not written at exit.
//
// The close-time backup (close_backup.h) is not part of Exit: the window program writes it when
// its main window closes (CloseMainFrame, before the documents are asked to save); kwtool writes
// it only when told to (tools/kwtool/session.h).
//
// The main frame's own shares without the window: RestorePlacement at step 19 (the stored
// placement to show, and the recovery offer, which is made only when there is one), and
// CloseMainFrame when the frame closes ("WindowPos" written, then the backup dumped).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/data/database.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "instance_lock.h"
#include "messages.h"
#include "platform/profile.h"
#include "progress.h"
#include "settings.h"
#include "window_placement.h"

namespace kw {

class CKWTable;

// The window steps of the start. An empty function is a step that succeeds and does nothing.
struct StartupHooks {
    std::function<void()> anotherInstance;     // raise the running instance's window
    std::function<bool()> initialiseOle;       // false: "Ole Initialization Failed"
    std::function<void()> initialiseControls;  // the time-entry controls
    std::function<bool()> createTemplates;     // the four document templates
    std::function<bool()> createMainFrame;     // main frame, placement, recovery offer, font
};

struct StartOptions {
    std::optional<int64_t> startTime;   // seconds since 1970; none: now
    std::optional<std::string> locale;  // for the unit defaults; none: the user's (UserLocale)
};

enum class StartResult {
    kStarted,
    kAnotherInstance,  // the working directory's lock is held by another program
    kLockFailed,       // the lock file could not be made (LockError has the errno value)
    kOleFailed,
    kDatabaseFailed,  // KWDATA2 could neither be opened nor created
    kTemplatesFailed,
    kTablesNotBound,
    kMainFrameFailed
};

enum class RecoveryOffer {
    kNotNeeded,  // the previous run ended cleanly: nothing asked
    kDeclined,   // No to message 1101: the "Recover Database!" command stays offered this run
    kAccepted    // Yes: recovery ran (or its own question was answered No)
};

// What the placement restore found: the placement to show the main window with (none: the
// platform's default placement, and then no recovery offer is made) and the offer's outcome.
struct PlacementRestore {
    std::optional<WindowPlacement> placement;
    RecoveryOffer recovery = RecoveryOffer::kNotNeeded;
};

// The platform's "normal" show command, which leaves the stored one in force.
inline constexpr uint32_t kShowNormal = 1;

inline constexpr int kWriteIntervalMs = 30000;

class RecipeApplication final {
  public:
    // sink and progress must outlive the application.
    RecipeApplication(MessageSink &sink, Progress &progress);
    ~RecipeApplication();
    RecipeApplication(const RecipeApplication &) = delete;
    RecipeApplication &operator=(const RecipeApplication &) = delete;

    // Runs the start in the process's working directory. Call once.
    StartResult Start(const StartupHooks &hooks = {}, const StartOptions &options = {});
    // Ends the run as described above. Returns the database close's result (0 when no database
    // was open). A second call does nothing and returns 0.
    KWRESULT Exit();

    // The periodic write: every open table flushed in schema order, nothing reported. The
    // window program calls it on its timer; batch work calls WriteIfDue between steps.
    KWRESULT PeriodicWrite();
    // PeriodicWrite when kWriteIntervalMs have passed since the last one (or the start);
    // true when it wrote.
    bool WriteIfDue(std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());

    // After an unclean end, message 1101 (Yes/No, question icon); Yes runs Recover.
    RecoveryOffer OfferRecovery();
    // The "Recover Database!" command: RecoverDatabase from this run's backup file.
    std::optional<KWRESULT> Recover();
    // The close-time backup (close_backup.h) of this run's working directory.
    KWRESULT WriteCloseBackup();

    // The placement restore: the stored "WindowPos" with its show command replaced by
    // showCommand unless that is kShowNormal; when there is one, OfferRecovery follows.
    PlacementRestore RestorePlacement(uint32_t showCommand);
    // The main frame's close: "WindowPos" = placement with the flags kRestoreToMaximized when
    // maximised, else 0; then the close-time backup, whose result is returned (not reported).
    KWRESULT CloseMainFrame(WindowPlacement placement, bool maximised);

    // What the start found and did.
    bool PreviousRunClean() const { return previousRunClean_; }
    bool FirstRun() const { return firstRun_; }
    bool DatabaseCreated() const { return databaseCreated_; }
    // The rebuild of step 11 when it ran: its result and the tables it had to repair.
    bool IndexesRebuilt() const { return indexesRebuilt_; }
    KWRESULT IndexRebuildResult() const { return indexRebuildResult_; }
    const std::vector<std::string> &RepairedTables() const { return repairedTables_; }
    int LockError() const { return lockError_; }
    int WriteInterval() const { return kWriteIntervalMs; }
    int64_t StartTime() const { return startTime_; }

    const std::string &WorkingDirectory() const { return workingDirectory_; }
    const std::string &DatabaseDirectory() const { return location_; }
    // Valid once Start has passed step 5.
    platform::Profile &SettingsFile() { return *settingsFile_; }
    Settings &UserSettings() { return settings_; }
    const std::string &Locale() const { return locale_; }

    // Valid while started (until Exit).
    CKWDatabase &Database() { return database_; }
    CKWTable *IngredientTable() const { return ingredientTable_; }
    CKWRecord &IngredientRecord() { return ingredientRecord_; }
    CKWQuery &IngredientQuery() { return ingredientQuery_; }  // KWINGDAT index 0 (NAME)
    CKWTable *RecipeTable() const { return recipeTable_; }

    MessageSink &Sink() { return sink_; }
    Progress &ProgressReport() { return progress_; }

  private:
    StartResult OpenOrCreateDatabase();
    void RebuildIndexes(bool needed);
    void LoadFirstRunArchives();
    bool BindTables();

    MessageSink &sink_;
    Progress &progress_;
    std::unique_ptr<InstanceLock> lock_;
    std::unique_ptr<platform::Profile> settingsFile_;
    std::string workingDirectory_;
    std::string location_;
    std::string locale_;
    Settings settings_;
    CKWDatabase database_;
    CKWTable *ingredientTable_ = nullptr;
    CKWTable *recipeTable_ = nullptr;
    CKWRecord ingredientRecord_;
    CKWQuery ingredientQuery_;

    int64_t startTime_ = 0;
    bool previousRunClean_ = true;
    bool firstRun_ = false;
    bool databaseCreated_ = false;
    bool indexesRebuilt_ = false;
    KWRESULT indexRebuildResult_ = KW_OK;
    std::vector<std::string> repairedTables_;
    int lockError_ = 0;
    bool runMarked_ = false;      // step 6 wrote "Clean" = 0
    bool databaseSound_ = false;  // open, and any rebuild completed
    bool exited_ = false;
    std::chrono::steady_clock::time_point lastWrite_;
};

}  // namespace kw
