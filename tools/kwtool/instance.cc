// Taking the working directory's instance lock for kwtool commands.
#include "instance.h"

#include <cstring>

#include "command.h"
#include "platform/path.h"

namespace kwtool {

std::unique_ptr<kw::InstanceLock> LockWorkingDirectory() {
    std::string dir = kw::platform::WorkingDirectory();
    kw::InstanceLock::Status status;
    int error = 0;
    auto lock = kw::InstanceLock::Acquire(dir, &status, &error);
    if (!lock) ReportLockRefusal(dir, status, error);
    return lock;
}

void ReportLockRefusal(const std::string &directory, kw::InstanceLock::Status status, int error) {
    if (status == kw::InstanceLock::Status::kHeldElsewhere)
        Fail("another Kettleworth program is already using " + directory + " (it holds " +
             kw::kInstanceLockFileName + "); close it and try again");
    else
        Fail("cannot take the lock file " +
             kw::platform::JoinPath(directory, kw::kInstanceLockFileName) + ": " +
             std::strerror(error));
}

}  // namespace kwtool
