// kwtool's share of the single-instance rule: a command that changes the working directory's
// settings or database first takes the directory's instance lock, so it never runs beside the
// window program or another kwtool doing the same. Commands that only read take no lock, unless
// the last run ended uncleanly and they must rebuild the indexes first (command_database.h).
#pragma once

#include <memory>
#include <string>

#include "app/core/instance_lock.h"

namespace kwtool {

// The lock of the current working directory, held until the returned object is destroyed. On
// refusal prints why ("another Kettleworth program is already using ...") and returns null; the
// command then ends with status 1.
std::unique_ptr<kw::InstanceLock> LockWorkingDirectory();

// Prints why the lock of directory could not be taken (status kHeldElsewhere or kFailed, with
// the errno value of the failure).
void ReportLockRefusal(const std::string &directory, kw::InstanceLock::Status status, int error);

}  // namespace kwtool
