// Exclusive random-access files: positional I/O, create-never-truncates and the lock that keeps a
// second holder (another process or another open in this one) out.
#include "platform/file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/path.h"
#include "platform/scratch_dir_test_support.h"

namespace kw::platform {
namespace {

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.ok());
        dir_ = scratch_.path();
        path_ = JoinPath(dir_, "T.dat");
    }
    kw::testing::ScratchDir scratch_{"kwfile"};
    std::string dir_, path_;
};

TEST_F(FileTest, CreateIfMissingNeverTruncates) {
    std::ofstream(path_) << "keep";
    auto f = OpenExclusive(path_, OpenMode::kCreateIfMissing);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Size(), 4);
    char buf[8] = {};
    EXPECT_EQ(f->ReadAt(0, buf, 8), 4);  // short read at the end of the file
    EXPECT_STREQ(buf, "keep");
}

TEST_F(FileTest, ExistingModeFailsOnMissingFile) {
    int err = 0;
    EXPECT_FALSE(OpenExclusive(path_, OpenMode::kExisting, &err));
    EXPECT_EQ(err, ENOENT);
    EXPECT_FALSE(FileExists(path_));
}

TEST_F(FileTest, PositionalWritesLeaveHolesAsZeros) {
    auto f = OpenExclusive(path_, OpenMode::kCreateIfMissing);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->WriteAt(10, "ab", 2), 2);
    EXPECT_EQ(f->Size(), 12);
    char buf[12];
    EXPECT_EQ(f->ReadAt(0, buf, 12), 12);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[10], 'a');
    EXPECT_EQ(f->ReadAt(-1, buf, 1), -1);
}

TEST_F(FileTest, SecondOpenInThisProcessIsRefusedUntilTheFirstCloses) {
    auto first = OpenExclusive(path_, OpenMode::kCreateIfMissing);
    ASSERT_TRUE(first);
    int err = 0;
    EXPECT_FALSE(OpenExclusive(path_, OpenMode::kCreateIfMissing, &err));
    EXPECT_EQ(err, EWOULDBLOCK);
    first.reset();
    EXPECT_TRUE(OpenExclusive(path_, OpenMode::kExisting));
}

TEST_F(FileTest, AnotherProcessCannotOpenAHeldFile) {
    auto held = OpenExclusive(path_, OpenMode::kCreateIfMissing);
    ASSERT_TRUE(held);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) _exit(OpenExclusive(path_, OpenMode::kExisting) ? 0 : 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

TEST_F(FileTest, DirectoriesAreNotFiles) {
    EXPECT_FALSE(OpenExclusive(dir_, OpenMode::kExisting));
}

TEST(PathTest, JoinKeepsWhatItIsGiven) {
    EXPECT_EQ(JoinPath("/a/b", "KWRECIPE.dat"), "/a/b/KWRECIPE.dat");
    EXPECT_EQ(JoinPath("/a/b/", "x"), "/a/b//x");
    EXPECT_EQ(DirectoryOf("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(DirectoryOf("c.txt"), ".");
    EXPECT_EQ(FileNameOf("/a/b/c.txt"), "c.txt");
}

}  // namespace
}  // namespace kw::platform
