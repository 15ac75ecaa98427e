// A settings file rewritten by a process that is killed with SIGKILL at random moments: every
// kill leaves the file as it was before the interrupted write or as that write made it, whole —
// every other key still there with its value, never a cut or empty file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <string>

#include "platform/kill_test_support.h"
#include "platform/path.h"
#include "platform/profile.h"
#include "platform/scratch_dir_test_support.h"

namespace kw::platform {
namespace {

constexpr int kPaddingKeys = 150;

std::string PaddingValue(int i) {
    return std::string(60, static_cast<char>('a' + i % 26));
}

class ProfileKillTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.ok());
        dir_ = scratch_.path();
        path_ = JoinPath(dir_, "recipe.INI");
    }

    // Rewrites Status/Counter with 1, 2, 3, ... for ever, telling the parent through the pipe
    // which write it starts before starting it.
    [[noreturn]] void Writer(int pipeOut) {
        Profile profile(path_);
        for (int n = 1;; ++n) {
            if (::write(pipeOut, &n, sizeof n) != sizeof n) ::_exit(3);
            if (!profile.WriteInt("Status", "Counter", n)) ::_exit(4);
        }
    }

    kw::testing::ScratchDir scratch_{"kwprofilekill"};
    std::string dir_;
    std::string path_;
};

TEST_F(ProfileKillTest, AKillDuringAWriteLeavesTheOldOrTheNewFileWhole) {
    Profile setup(path_);
    for (int i = 0; i < kPaddingKeys; ++i)
        ASSERT_TRUE(setup.WriteString("Padding", "Key" + std::to_string(i), PaddingValue(i)));
    ASSERT_TRUE(setup.WriteInt("Status", "Counter", 0));

    std::mt19937 random(4711);
    int last = 0;  // the value the file held when the writer was started
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE(round);
        const int started =
            kw::testing::RunChildAndKill([&](int pipeOut) { Writer(pipeOut); },
                                         static_cast<useconds_t>(2000 + random() % 30000));
        ASSERT_GE(started, 0);

        Profile file(path_);
        const int counter = file.GetInt("Status", "Counter", -1);
        // The child starts again at 1: the file holds the value of the write the kill
        // interrupted (started) or of the one before it (started - 1, or the older file's).
        if (started == 0)
            EXPECT_EQ(counter, last);
        else
            EXPECT_TRUE(counter == started || counter == (started == 1 ? last : started - 1))
                << "counter " << counter << " after starting write " << started;
        for (int i = 0; i < kPaddingKeys; ++i)
            ASSERT_EQ(file.GetString("Padding", "Key" + std::to_string(i), ""), PaddingValue(i))
                << "key " << i;
        last = counter;
    }
}

}  // namespace
}  // namespace kw::platform
