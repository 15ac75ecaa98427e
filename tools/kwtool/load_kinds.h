// The kinds of file "kwtool load FILE" reads into the database. Each kind lives in its own file
// and registers a handler with KWTOOL_LOAD_KIND; load.cc picks the kind by the file name's
// extension (letter case ignored) or, when no kind has that extension, by the first kind whose
// recogniser accepts the file's first bytes. It then opens the Session (session.h: the program's
// start-up with its instance lock, unclean-run rebuild and first-run creation) and hands it to
// the handler; the session is closed (the program's end) after the handler returns.
//
// Adding a kind, for example the export files:
//
//   // load_export.cc
//   int LoadExportFile(LoadRequest &request) {
//       ... read request.path, write records through request.session.Database(),
//       ... report through request.session.Sink() and request.session.Progress(),
//       ... call request.session.WriteIfDue() between records (the periodic write) ...
//       return 0;  // the exit status: 0 success, 1 failure, 2 usage error
//   }
//   KWTOOL_LOAD_KIND(".sce", "Kettleworth export file", "", LoadExportFile, nullptr);
//
// request.args holds the arguments after FILE (not --yes, which load takes for every kind and
// turns into the session's answer to its questions); a kind that takes options names them in
// its options text and takes them out of args itself. load refuses extra arguments for a kind
// whose options text is empty.
#pragma once

#include <string>
#include <vector>

#include "command.h"

namespace kwtool {

class Session;

struct LoadRequest {
    Session &session;
    std::string path;               // FILE as given
    std::vector<std::string> args;  // the rest of load's arguments, for the kind's own options
    bool json = false;              // --json: the kind prints its counts as JSON
};

using LoadHandler = int (*)(LoadRequest &request);
// Whether the first bytes of a file (up to 64, fewer for a short file) are of this kind.
using LoadRecogniser = bool (*)(const std::string &head);

struct LoadKind {
    const char *extension;    // ".sda", with its full stop
    const char *description;  // "Kettleworth archive"
    const char *options;      // the kind's own options for the usage line, "" for none
    LoadHandler load;
    LoadRecogniser recognises;  // may be null
};

// Registers a kind; called from static initialisers through KWTOOL_LOAD_KIND.
bool RegisterLoadKind(const LoadKind &kind);
const std::vector<LoadKind> &LoadKinds();

// The kind of the file at path (see above), or null when none fits.
const LoadKind *FindLoadKind(const std::string &path);

}  // namespace kwtool

#define KWTOOL_LOAD_KIND(extension, description, options, load, recognises)                    \
    static const bool KWTOOL_CONCAT(kwtool_load_kind_, __LINE__) = ::kwtool::RegisterLoadKind( \
        ::kwtool::LoadKind{extension, description, options, load, recognises})
