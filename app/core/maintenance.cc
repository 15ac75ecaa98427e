// The whole-database commands and their messages.
#include "maintenance.h"

#include "category_fill.h"

namespace kw {
namespace {

constexpr char kCreateArchiveFailed[] = "Failed to create archive: %d";
constexpr char kLoadArchiveFailed[] = "Failed to load archive: %d";
constexpr char kArchiveLoaded[] = "Archive loaded: %d duplicates";
constexpr char kReindexFailed[] = "Failed to Reindex Database: %d";
constexpr char kWriteFailed[] = "Failed to Write Database: %d";
constexpr char kClearQuestion[] = "Are you sure you want to delete the entire database";
constexpr char kRepairQuestion[] = "Are you sure you want to repair the database?";
constexpr char kRepairFailed[] = "Failed to Recover Database: %d";
constexpr char kRecoverQuestion[] =
    "Changes made in the last session may be lost.\nAre you sure that you want to recover the "
    "database?";

// Shows a failure text with its engine result when there is one; returns the result.
KWRESULT ReportFailure(MessageSink &sink, const char *text, KWRESULT result) {
    if (result != KW_OK) sink.SayText(FillDecimals(text, {result}), Icon::kExclamation);
    return result;
}

bool Confirmed(MessageSink &sink, const char *question, Icon icon) {
    return sink.SayText(question, icon, Buttons::kYesNo) == Answer::kYes;
}

}  // namespace

std::string ArchivePathFor(const std::string &chosenPath) {
    if (chosenPath.find('.') != std::string::npos) return chosenPath;
    return chosenPath + kArchiveExtension;
}

KWRESULT BackupDatabase(CKWDatabase &database, const std::string &chosenPath, MessageSink &sink,
                        std::string *writtenPath) {
    const std::string path = ArchivePathFor(chosenPath);
    if (writtenPath) *writtenPath = path;
    return ReportFailure(sink, kCreateArchiveFailed, database.Dump(path));
}

KWRESULT LoadArchive(CKWDatabase &database, platform::Profile &settings, const std::string &path,
                     MessageSink &sink, int32_t *duplicates) {
    int32_t count = 0;
    const KWRESULT r = database.Load(path, true, &count);
    if (duplicates) *duplicates = count;
    if (r != KW_OK) return ReportFailure(sink, kLoadArchiveFailed, r);
    RunCategoryFill(database, settings);
    sink.SayText(FillDecimals(kArchiveLoaded, {count}));
    return KW_OK;
}

KWRESULT ReindexDatabase(CKWDatabase &database, MessageSink &sink) {
    return ReportFailure(sink, kReindexFailed, database.ReindexAll());
}

KWRESULT WriteDatabaseNow(CKWDatabase &database, MessageSink &sink) {
    return ReportFailure(sink, kWriteFailed, FlushAllTables(database));
}

KWRESULT FlushAllTables(CKWDatabase &database) {
    return database.FlushAll();
}

std::optional<KWRESULT> ClearDatabase(CKWDatabase &database, MessageSink &sink) {
    if (!Confirmed(sink, kClearQuestion, Icon::kNone)) return std::nullopt;
    return database.ClearAll();
}

std::optional<KWRESULT> RepairDatabase(CKWDatabase &database, MessageSink &sink) {
    if (!Confirmed(sink, kRepairQuestion, Icon::kNone)) return std::nullopt;
    return ReportFailure(sink, kRepairFailed, database.RecoverAll());
}

std::optional<KWRESULT> RecoverDatabase(CKWDatabase &database, const std::string &backupPath,
                                        MessageSink &sink) {
    if (!Confirmed(sink, kRecoverQuestion, Icon::kQuestion)) return std::nullopt;
    database.ClearAll();
    return database.Load(backupPath, false, nullptr);
}

}  // namespace kw
