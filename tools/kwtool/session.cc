// Starting and ending the application core for a kwtool command.
#include "session.h"

#include <algorithm>
#include <iostream>

#include "app/core/close_backup.h"
#include "app/core/schema.h"
#include "command.h"
#include "engine_results.h"
#include "instance.h"

namespace kwtool {

Session::Session(const SessionOptions &options)
    : sink_(options.questions), app_(sink_, progress_) {}

Session::~Session() {
    Close();
}

std::unique_ptr<Session> Session::Open(const SessionOptions &options) {
    std::unique_ptr<Session> session(new Session(options));
    if (!session->Started(session->app_.Start())) return nullptr;
    return session;
}

bool Session::Started(kw::StartResult result) {
    using kw::StartResult;
    const std::string dir = app_.WorkingDirectory();
    switch (result) {
        case StartResult::kStarted:
            break;
        case StartResult::kAnotherInstance:
            ReportLockRefusal(dir, kw::InstanceLock::Status::kHeldElsewhere, 0);
            return false;
        case StartResult::kLockFailed:
            ReportLockRefusal(dir, kw::InstanceLock::Status::kFailed, app_.LockError());
            return false;
        case StartResult::kDatabaseFailed:
            Fail(app_.FirstRun()
                     ? "cannot create database " + std::string(kw::schema::kDatabaseName) + " in " +
                           app_.DatabaseDirectory()
                     : "cannot open database " + std::string(kw::schema::kDatabaseName) +
                           ": it is not registered in " + dir +
                           "/KWDATA.INI or its files are missing or in use");
            return false;
        default:
            Fail("cannot start: the tables KWINGDAT and KWRECIPE could not be opened");
            return false;
    }
    ReportIndexRebuild(app_.PreviousRunClean(), app_.RepairedTables(), app_.IndexRebuildResult());
    return true;
}

void ReportIndexRebuild(bool previousRunClean, const std::vector<std::string> &repairedTables,
                        KWRESULT result) {
    if (!previousRunClean)
        std::cerr << "kwtool: the previous run did not end cleanly; every index was rebuilt\n"
                  << "kwtool: 'kwtool recover' restores the data of the last session from "
                  << kw::kBackupFileName << "\n";
    for (const std::string &table : repairedTables)
        std::cerr << "kwtool: table " << table << " was damaged and has been repaired\n";
    if (result != KW_OK)
        std::cerr << "kwtool: the index rebuild failed: " << EngineResultText(result)
                  << "; the database may be damaged\n";
}

int Session::Close() {
    if (closed_) return 0;
    closed_ = true;
    int status = 0;
    if (app_.Database().IsOpen() &&
        app_.SettingsFile().GetInt(kKwtoolSection, kBackupOnCloseKey, 0) != 0) {
        if (const KWRESULT r = app_.WriteCloseBackup())
            status = Fail("the backup " + std::string(kw::kBackupFileName) +
                          " could not be written: " + EngineResultText(r));
    }
    if (const KWRESULT r = app_.Exit())
        status = Fail("the database could not be closed cleanly: " + EngineResultText(r) +
                      "; the next start rebuilds its indexes");
    return status;
}

int RunInSession(const SessionOptions &options, const std::function<int(Session &)> &work) {
    auto session = Session::Open(options);
    if (!session) return 1;
    const int status = work(*session);
    return std::max(status, session->Close());
}

}  // namespace kwtool
