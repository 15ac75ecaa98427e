// The crash harness's side files in the working directory:
//
//   "crash-flushed.txt"  the recipes (and their versions) the last periodic write reached the
//                        disk with, and the number of that write. Replaced atomically after each
//                        periodic write (temporary file, fsync, rename, fsync of the directory),
//                        so a kill leaves the previous list or the new one, whole.
//   "crash-touched.txt"  identities of listed recipes changed or deleted since that write, one
//                        line each, appended before the change starts and emptied once the next
//                        list is in place. Plain appends reach the kernel before the engine's own
//                        writes of the change do, which is all a kill can test.
//
//   crash-flushed.txt:  "writes <n>" LF, then per recipe "<category>" TAB "<name>" TAB
//                       "<version>" LF, then "end" LF.
//   crash-touched.txt:  "<category>" TAB "<name>" LF per line.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "recipe_versions.h"

namespace kw::crash {

inline constexpr char kFlushedFile[] = "crash-flushed.txt";
inline constexpr char kTouchedFile[] = "crash-touched.txt";

struct FlushedState {
    int64_t writes = 0;
    std::map<RecipeIdentity, int32_t> recipes;
};

// False when the file cannot be written whole (the old one then stays).
bool WriteFlushedState(const std::string &path, const FlushedState &state);
// False when the file is missing; a file without its "end" line is an error (ok set false).
bool ReadFlushedState(const std::string &path, FlushedState *state, bool *ok);

class TouchLog {
  public:
    explicit TouchLog(std::string path) : path_(std::move(path)) {}
    ~TouchLog();
    TouchLog(const TouchLog &) = delete;
    TouchLog &operator=(const TouchLog &) = delete;
    bool Add(const RecipeIdentity &id);
    bool Clear();
    static std::set<RecipeIdentity> Read(const std::string &path);

  private:
    bool Open();
    std::string path_;
    int fd_ = -1;
};

}  // namespace kw::crash
