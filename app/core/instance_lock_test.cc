// The single-instance lock: a second holder is refused, in this process and in another.
#include "app/core/instance_lock.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/core/test_temp_dir.h"

namespace kw {
namespace {

class InstanceLockTest : public testing::TempDirTest {
  protected:
    // The status a freshly forked process gets when it tries to take the lock.
    InstanceLock::Status StatusInChild() {
        pid_t pid = ::fork();
        if (pid == 0) {
            InstanceLock::Status s;
            auto lock = InstanceLock::Acquire(dir_, &s);
            ::_exit(static_cast<int>(s));
        }
        int wstatus = 0;
        ::waitpid(pid, &wstatus, 0);
        EXPECT_TRUE(WIFEXITED(wstatus));
        return static_cast<InstanceLock::Status>(WEXITSTATUS(wstatus));
    }
};

TEST_F(InstanceLockTest, SecondHolderRefusedAndFreeAfterRelease) {
    InstanceLock::Status status;
    auto first = InstanceLock::Acquire(dir_, &status);
    ASSERT_EQ(status, InstanceLock::Status::kAcquired);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Path(), dir_ + "/recipe.lck");

    EXPECT_EQ(StatusInChild(), InstanceLock::Status::kHeldElsewhere);
    auto second = InstanceLock::Acquire(dir_, &status);
    EXPECT_EQ(status, InstanceLock::Status::kHeldElsewhere);
    EXPECT_EQ(second, nullptr);

    first.reset();
    EXPECT_EQ(StatusInChild(), InstanceLock::Status::kAcquired);
    // The lock file stays behind and does not block anyone.
    auto again = InstanceLock::Acquire(dir_, &status);
    EXPECT_EQ(status, InstanceLock::Status::kAcquired);
}

TEST_F(InstanceLockTest, UnusableWorkingDirectoryFails) {
    InstanceLock::Status status;
    int error = 0;
    EXPECT_EQ(InstanceLock::Acquire(dir_ + "/missing", &status, &error), nullptr);
    EXPECT_EQ(status, InstanceLock::Status::kFailed);
    EXPECT_NE(error, 0);
    ASSERT_EQ(::mkdir((dir_ + "/recipe.lck").c_str(), 0755), 0);
    EXPECT_EQ(InstanceLock::Acquire(dir_, &status), nullptr);
    EXPECT_EQ(status, InstanceLock::Status::kFailed);
}

}  // namespace
}  // namespace kw
