// One program per working directory. The window program and kwtool take an exclusive lock on
// "recipe.lck" in the working directory at start and hold it for the whole run; a second start
// in the same directory finds it held and is refused (kwtool says so; the window program raises
// the first one's window instead). The lock is an advisory flock on an open file description,
// released when the InstanceLock is destroyed or the process ends in any way, a crash included,
// so a stale lock file never blocks a later start. The file itself is left in place: removing it
// could let two processes lock two different files of the same name.
#pragma once

#include <memory>
#include <string>

#include "platform/file.h"

namespace kw {

inline constexpr char kInstanceLockFileName[] = "recipe.lck";

class InstanceLock final {
  public:
    enum class Status {
        kAcquired,
        kHeldElsewhere,  // another open of the lock file (another process, or this one) holds it
        kFailed          // the lock file could not be created or opened (see error)
    };

    // Takes the lock of workingDirectory. Returns null unless *status is kAcquired; error (when
    // not null) receives the errno value of a failure.
    static std::unique_ptr<InstanceLock> Acquire(const std::string &workingDirectory,
                                                 Status *status, int *error = nullptr);

    const std::string &Path() const { return file_->Path(); }

  private:
    explicit InstanceLock(std::unique_ptr<platform::RandomAccessFile> file)
        : file_(std::move(file)) {}
    std::unique_ptr<platform::RandomAccessFile> file_;
};

}  // namespace kw
