// CommandDatabase: KWDATA2 as the commands that open it without a whole Session use it (recipes,
// show, categories, text, search, meal, list). Those commands neither create the database nor
// serve the first-run requests, but they keep the promise of "Status"/"Clean" the program start
// keeps:
//
//   reading, last run clean      opened as it is; no lock taken, the settings not touched
//   reading, last run unclean    the instance lock taken, "Clean" = 0, every index rebuilt
//                                (damaged tables repaired, app/core/index_rebuild.h) before
//                                anything is read; "Clean" = 1 after a close without failure
//   writing                      the instance lock taken, "Clean" = 0 while the database is
//                                open, the same rebuild when the last run was unclean; "Clean"
//                                = 1 only after the database closed without failure (and any
//                                rebuild completed), so a kill or a failed close leaves 0 for
//                                the next start
//
// The engine keeps index page writes in memory until a flush or close, so a run that is killed
// may leave index files behind their record stores; the rebuild at the next open is what makes
// that safe. No close-time backup is written: that stays the window program's (and
// "kwtool backup"'s) job. "Install"/"ReIndex" and a version change are left to the next start.
//
//   CommandDatabase db;
//   if (int status = db.Open(DatabaseUse::kWrite, ReportOpenFailure)) return status;
//   const int status = Work(db.Database());
//   return std::max(status, db.Close());
#pragma once

#include <functional>
#include <memory>

#include "app/core/instance_lock.h"
#include "app/data/database.h"
#include "platform/profile.h"

namespace kwtool {

enum class DatabaseUse { kRead, kWrite };

// Prints why KWDATA2 could not be opened (result: the engine's) and returns the exit status.
using OpenFailureReport = std::function<int(KWRESULT result)>;

class CommandDatabase final {
  public:
    CommandDatabase() = default;
    ~CommandDatabase();  // Close, when not done yet
    CommandDatabase(const CommandDatabase &) = delete;
    CommandDatabase &operator=(const CommandDatabase &) = delete;

    // Opens KWDATA2 of the working directory for use. Returns 0 when open; otherwise the
    // command's exit status (1) after the reason was printed: the lock refusal, or the open's
    // failure through report.
    int Open(DatabaseUse use, const OpenFailureReport &report);
    // Closes the database and then, when this command marked the run started and its data is
    // sound, writes "Clean" = 1. Returns 0, or 1 (the reason printed) when the close failed.
    // A second call returns 0.
    int Close();

    kw::CKWDatabase &Database() { return database_; }
    // Whether this open found an unclean end and rebuilt the indexes.
    bool IndexesRebuilt() const { return rebuilt_; }

  private:
    std::unique_ptr<kw::InstanceLock> lock_;
    std::unique_ptr<kw::platform::Profile> settings_;  // set once "Clean" = 0 was written
    kw::CKWDatabase database_;
    bool sound_ = false;  // open, and any rebuild completed
    bool rebuilt_ = false;
    bool closed_ = false;
};

// The usual report of a failed open: 507 as "not registered here ... run 'kwtool create'
// first", any other result with its text. Returns 1.
int ReportOpenFailure(KWRESULT result);

}  // namespace kwtool
