// A private copy of a database's table files for kwtool check. The engine's file classes write
// (a header on close, a fresh tree into an empty index file), so the check reads copies and never
// changes a byte of the database it examines. Each original is opened the way the engine opens
// it, with the exclusive lock, so a database that the program has open is refused rather than
// copied halfway through a write.
#pragma once

#include <string>
#include <vector>

namespace kwtool {

class Snapshot {
  public:
    // Makes an empty directory under $TMPDIR (or /tmp); Failure() tells when it could not.
    Snapshot();
    ~Snapshot();  // removes the directory and every copy in it
    Snapshot(const Snapshot &) = delete;
    Snapshot &operator=(const Snapshot &) = delete;

    // Copies directory/name to Path(name). False with Failure() set when the original cannot be
    // opened (in use, unreadable) or the copy cannot be written.
    bool Copy(const std::string &directory, const std::string &name);

    std::string Path(const std::string &name) const;
    const std::string &Directory() const { return directory_; }
    const std::string &Failure() const { return failure_; }

  private:
    std::string directory_;
    std::vector<std::string> copies_;
    std::string failure_;
};

}  // namespace kwtool
