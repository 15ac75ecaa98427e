// A kwtool command's run of the program: every command that opens the database KWDATA2 opens a
// Session, which starts the application core (app/core/application.h) in the working directory
// exactly as the window program starts — instance lock, "Clean" = 0, first-run creation of the
// database, the index rebuild (with repair) after an unclean end, a version change or a
// request, first-run archives, the one-time category fill — and ends it the same way: tables and
// database closed, then "Clean" = 1. Messages go to the terminal (TerminalSink), progress to a
// progress line.
//
//   auto session = Session::Open();          // prints why and returns null when it cannot start
//   if (!session) return 1;
//   kw::CKWDatabase &db = session->Database();
//   ... work; batch loops call session->WriteIfDue() between records ...
//   return std::max(status, session->Close());
//
// After an unclean end the session says so on standard error (and which tables the rebuild had to
// repair) but makes no recovery offer: a batch command must not replace the database with the
// backup on its own; "kwtool recover" does that on request.
//
// The close-time backup "~backup~.~~~" is written by the window program when its main window
// closes. A kwtool session writes it at Close only when the settings file asks for it with
// [Kwtool] BackupOnClose=1: a batch import of many recipes should not dump the whole database at
// the end of every command. Without it the backup stays the one the window program (or
// "kwtool backup ~backup~.~~~") wrote last, so a recovery after a later crash restores that.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/application.h"
#include "terminal.h"

namespace kwtool {

inline constexpr char kKwtoolSection[] = "Kwtool";
inline constexpr char kBackupOnCloseKey[] = "BackupOnClose";

struct SessionOptions {
    QuestionPolicy questions = QuestionPolicy::kAskOnTerminal;
};

class Session final {
  public:
    // Starts the core in the current working directory. On failure prints why (the core's own
    // message, such as "Failed to create database: 1", comes first) and returns null; the
    // command then ends with status 1.
    static std::unique_ptr<Session> Open(const SessionOptions &options = {});
    ~Session();  // Close, when not done yet
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Writes the backup when BackupOnClose asks for it, then ends the run. Returns 0, or 1 (with
    // the reason printed) when the database could not be closed cleanly. A second call returns 0.
    int Close();

    kw::RecipeApplication &App() { return app_; }
    kw::CKWDatabase &Database() { return app_.Database(); }
    TerminalSink &Sink() { return sink_; }
    TerminalProgress &Progress() { return progress_; }
    // The periodic write for batch work: flushes every table when 30 seconds have passed since
    // the last write; true when it wrote.
    bool WriteIfDue() { return app_.WriteIfDue(); }

  private:
    explicit Session(const SessionOptions &options);
    // Reports the start's outcome; false when the session cannot be used.
    bool Started(kw::StartResult result);

    TerminalSink sink_;
    TerminalProgress progress_;
    kw::RecipeApplication app_;
    bool closed_ = false;
};

// Says on standard error what the start's index rebuild did: that the previous run did not end
// cleanly (and how to recover), which tables it repaired, and a failure that stopped it.
void ReportIndexRebuild(bool previousRunClean, const std::vector<std::string> &repairedTables,
                        KWRESULT result);

// Opens a session, runs work on it and closes it. Returns the larger of work's and Close's
// statuses, or 1 when the session cannot be opened.
int RunInSession(const SessionOptions &options, const std::function<int(Session &)> &work);

}  // namespace kwtool
