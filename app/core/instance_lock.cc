// The single-instance lock file.
#include "instance_lock.h"

#include <cerrno>

#include "platform/path.h"

namespace kw {

std::unique_ptr<InstanceLock> InstanceLock::Acquire(const std::string &workingDirectory,
                                                    Status *status, int *error) {
    int err = 0;
    auto file = platform::OpenExclusive(platform::JoinPath(workingDirectory, kInstanceLockFileName),
                                        platform::OpenMode::kCreateIfMissing, &err);
    if (error) *error = err;
    if (!file) {
        *status = err == EWOULDBLOCK ? Status::kHeldElsewhere : Status::kFailed;
        return nullptr;
    }
    *status = Status::kAcquired;
    return std::unique_ptr<InstanceLock>(new InstanceLock(std::move(file)));
}

}  // namespace kw
