// The steps of the program's start and end that only read and write the settings file. The
// start-up sequence calls them in this order (the database steps between them are its own):
//
//   bool clean   = MarkRunStarted(profile);            // "WVersion"; "Clean" read, then 0
//   InstallState = ReadInstallState(profile);          // "LastUsed", "ReIndex", "Version" -> "2.0"
//   location     = DatabaseLocation(profile, workdir); // "Location"
//     ... open or create the database ...
//   if (IndexRebuildNeeded(clean, state)) { rebuild; if (!ClearReIndexRequest(profile)) say
//       "Failed to update .INI file"; }
//   for (auto &a : FirstRunArchives(profile, state.firstRun)) { load a.path; DeleteArchiveKey }
//   if (!archives.empty()) DeleteArchiveCount(profile);
//   WriteLastUsed(profile, startTime);
//   if (CategoryFillRequested(profile)) { fill; ClearCategoryFillRequest(profile); }
//   ...
//   MarkRunEnded(profile);                             // at exit: "Clean" = 1
//
// "Clean" is 0 exactly while a run is going on, so a crash or kill leaves 0 for the next start to
// find. "ReIndex", "FileCount"/"File%02d" and "FillRcpRec" are one-shot requests, removed or reset
// once served. Functions returning bool report whether the settings file could be written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/profile.h"

namespace kw {

// The version this program writes to "Install"/"Version"; any other stored value means a
// different program ran last and every index is rebuilt.
inline constexpr char kProgramVersion[] = "2.0";

// More first-run archives than this are not read: a damaged "FileCount" must not stall the start.
inline constexpr int kMaxArchiveFiles = 999;

// Reads "Status"/"Clean" without changing it: false while a run is going on or after one that
// was killed (a missing key is a clean previous run).
bool LastRunEndedCleanly(const platform::Profile &profile);

// Writes "Status"/"WVersion", reads "Status"/"Clean" (a missing key is a clean previous run) and
// writes "Clean" = 0 at once. Returns whether the previous run ended cleanly.
bool MarkRunStarted(platform::Profile &profile);

struct InstallState {
    bool firstRun = false;          // "LastUsed" missing or not a positive number
    bool reindexRequested = false;  // "ReIndex" nonzero
    bool versionChanged = false;    // "Version" missing or other than kProgramVersion
};

// Reads the "Install" flags and then writes "Version" = kProgramVersion.
InstallState ReadInstallState(platform::Profile &profile);

// Whether every index is to be rebuilt at this start.
bool IndexRebuildNeeded(bool previousRunClean, const InstallState &state);

// "Install"/"Location", by default the working directory followed by "/DATA2".
std::string DatabaseLocation(const platform::Profile &profile, const std::string &workingDirectory);

// Deletes "Install"/"ReIndex" after the rebuild; false: say "Failed to update .INI file".
bool ClearReIndexRequest(platform::Profile &profile);

struct ArchiveFile {
    int index = 0;     // 1 to FileCount
    std::string key;   // "File01", "File02", ...
    std::string path;  // "" when the key is missing (its load then fails)
};

// The archives to load on the first run, in order: one per index 1 to "Install"/"FileCount"
// (at most kMaxArchiveFiles). Empty unless firstRun and FileCount is above 0.
std::vector<ArchiveFile> FirstRunArchives(const platform::Profile &profile, bool firstRun);

// Deletes an archive's key; called after each load whether it succeeded or not.
bool DeleteArchiveKey(platform::Profile &profile, const ArchiveFile &archive);
// Deletes "Install"/"FileCount" once every listed archive has been handled.
bool DeleteArchiveCount(platform::Profile &profile);

// Writes "Install"/"LastUsed" = startTime (seconds since 1970).
bool WriteLastUsed(platform::Profile &profile, int64_t startTime);

// Whether "Install"/"FillRcpRec" (default 1) asks for the one-time category-link fill, and
// setting it to 0 once the fill has run.
bool CategoryFillRequested(const platform::Profile &profile);
bool ClearCategoryFillRequest(platform::Profile &profile);

// Writes "Status"/"Clean" = 1 at a normal end.
bool MarkRunEnded(platform::Profile &profile);

}  // namespace kw
