// The application object's start, exit, periodic write and recovery offer.
#include "application.h"

#include <ctime>

#include "app/data/table.h"
#include "category_fill.h"
#include "close_backup.h"
#include "index_rebuild.h"
#include "locale_defaults.h"
#include "maintenance.h"
#include "platform/path.h"
#include "recipe_database.h"
#include "schema.h"
#include "setting_keys.h"
#include "startup_flags.h"

namespace kw {
namespace {

constexpr char kOleFailed[] = "Ole Initialization Failed";
constexpr char kCreateFailed[] = "Failed to create database: %d";
constexpr char kIniUpdateFailed[] = "Failed to update .INI file";
constexpr char kFirstRunLoadFailed[] = "Failed to load archive";
constexpr char kLoadingData[] = "Loading Data...";
constexpr char kLoadingRecipes[] = "Loading Recipes...";
constexpr int kRecoveryOfferMessage = 1101;

// Runs a hook that may be absent.
bool Run(const std::function<bool()> &hook) {
    return !hook || hook();
}

}  // namespace

RecipeApplication::RecipeApplication(MessageSink &sink, Progress &progress)
    : sink_(sink), progress_(progress) {}

RecipeApplication::~RecipeApplication() {
    Exit();
}

StartResult RecipeApplication::Start(const StartupHooks &hooks, const StartOptions &options) {
    workingDirectory_ = platform::WorkingDirectory();
    InstanceLock::Status status;
    lock_ = InstanceLock::Acquire(workingDirectory_, &status, &lockError_);
    if (status == InstanceLock::Status::kHeldElsewhere) {
        if (hooks.anotherInstance) hooks.anotherInstance();
        return StartResult::kAnotherInstance;
    }
    if (!lock_) return StartResult::kLockFailed;
    if (!Run(hooks.initialiseOle)) {
        sink_.SayText(kOleFailed);
        return StartResult::kOleFailed;
    }
    if (hooks.initialiseControls) hooks.initialiseControls();
    startTime_ = options.startTime ? *options.startTime : static_cast<int64_t>(std::time(nullptr));
    locale_ = options.locale ? *options.locale : UserLocale();

    settingsFile_ = std::make_unique<platform::Profile>(SettingsFilePath(workingDirectory_));
    previousRunClean_ = MarkRunStarted(*settingsFile_);
    runMarked_ = true;
    const InstallState install = ReadInstallState(*settingsFile_);
    firstRun_ = install.firstRun;
    location_ = DatabaseLocation(*settingsFile_, workingDirectory_);

    if (StartResult r = OpenOrCreateDatabase(); r != StartResult::kStarted) return r;
    RebuildIndexes(IndexRebuildNeeded(previousRunClean_, install));
    if (!Run(hooks.createTemplates)) return StartResult::kTemplatesFailed;
    settings_ = Settings::Load(*settingsFile_, locale_);
    LoadFirstRunArchives();
    WriteLastUsed(*settingsFile_, startTime_);
    if (CategoryFillRequested(*settingsFile_)) RunCategoryFill(database_, *settingsFile_);
    if (!BindTables()) return StartResult::kTablesNotBound;
    lastWrite_ = std::chrono::steady_clock::now();
    if (!Run(hooks.createMainFrame)) return StartResult::kMainFrameFailed;
    return StartResult::kStarted;
}

StartResult RecipeApplication::OpenOrCreateDatabase() {
    if (OpenRecipeDatabase(database_) == KW_OK) return StartResult::kStarted;
    // The engine makes the directory itself, so an empty one (left by an installer or a failed
    // start) is in its way.
    if (platform::IsDirectory(location_) && platform::ListFiles(location_).empty())
        platform::RemoveDirectory(location_);
    KWRESULT created = 1;
    if (firstRun_) {
        created = CreateRecipeDatabase(database_, location_);
        databaseCreated_ = created == KW_OK;
    }
    if (created != KW_OK) {
        sink_.SayText(FillDecimals(kCreateFailed, {created}));
        return StartResult::kDatabaseFailed;
    }
    return StartResult::kStarted;
}

void RecipeApplication::RebuildIndexes(bool needed) {
    if (needed) {
        const IndexRebuild rebuild = RebuildAllIndexes(database_);
        indexesRebuilt_ = true;
        indexRebuildResult_ = rebuild.result;
        repairedTables_ = rebuild.repaired;
        if (!ClearReIndexRequest(*settingsFile_)) sink_.SayText(kIniUpdateFailed);
    }
    databaseSound_ = indexRebuildResult_ == KW_OK;
}

void RecipeApplication::LoadFirstRunArchives() {
    const std::vector<ArchiveFile> archives = FirstRunArchives(*settingsFile_, firstRun_);
    if (archives.empty()) return;
    progress_.Begin(1, static_cast<int>(archives.size()) + 1, kLoadingData, kLoadingRecipes, false);
    for (const ArchiveFile &archive : archives) {
        if (archive.path.empty() || database_.Load(archive.path, false, nullptr) != KW_OK)
            sink_.SayText(kFirstRunLoadFailed);
        DeleteArchiveKey(*settingsFile_, archive);
        progress_.SetPosition(archive.index);
    }
    DeleteArchiveCount(*settingsFile_);
    progress_.End();
}

bool RecipeApplication::BindTables() {
    ingredientTable_ = database_.FindTable(schema::kTableIngredient);
    recipeTable_ = database_.FindTable(schema::kTableRecipe);
    if (!ingredientTable_ || !recipeTable_) return false;
    if (ingredientRecord_.Open(ingredientTable_) != KW_OK) return false;
    ingredientQuery_.SetIndex(&ingredientRecord_, schema::kIngredientByName);
    return ingredientQuery_.Index() != nullptr;
}

KWRESULT RecipeApplication::Exit() {
    if (exited_) return KW_OK;
    exited_ = true;
    ingredientQuery_.Reset();
    ingredientRecord_.Close();
    ingredientTable_ = nullptr;
    recipeTable_ = nullptr;
    const KWRESULT closed = database_.IsOpen() ? database_.Close() : KW_OK;
    if (runMarked_ && databaseSound_ && closed == KW_OK) MarkRunEnded(*settingsFile_);
    lock_.reset();
    return closed;
}

KWRESULT RecipeApplication::PeriodicWrite() {
    lastWrite_ = std::chrono::steady_clock::now();
    return FlushAllTables(database_);
}

bool RecipeApplication::WriteIfDue(std::chrono::steady_clock::time_point now) {
    if (now - lastWrite_ < std::chrono::milliseconds(kWriteIntervalMs)) return false;
    PeriodicWrite();
    lastWrite_ = now;
    return true;
}

RecoveryOffer RecipeApplication::OfferRecovery() {
    if (previousRunClean_) return RecoveryOffer::kNotNeeded;
    if (sink_.Say(kRecoveryOfferMessage, {}, Icon::kQuestion, Buttons::kYesNo) != Answer::kYes)
        return RecoveryOffer::kDeclined;
    Recover();
    return RecoveryOffer::kAccepted;
}

std::optional<KWRESULT> RecipeApplication::Recover() {
    return RecoverDatabase(database_, CloseBackupPath(workingDirectory_), sink_);
}

KWRESULT RecipeApplication::WriteCloseBackup() {
    return kw::WriteCloseBackup(database_, workingDirectory_);
}

PlacementRestore RecipeApplication::RestorePlacement(uint32_t showCommand) {
    PlacementRestore restore;
    restore.placement = settings_.windowPos;
    if (!restore.placement) return restore;
    if (showCommand != kShowNormal) restore.placement->showCommand = showCommand;
    restore.recovery = OfferRecovery();
    return restore;
}

KWRESULT RecipeApplication::CloseMainFrame(WindowPlacement placement, bool maximised) {
    placement.flags = maximised ? kRestoreToMaximized : 0;
    settings_.windowPos = placement;
    settings_.SaveWindowPos(*settingsFile_);
    return WriteCloseBackup();
}

}  // namespace kw
