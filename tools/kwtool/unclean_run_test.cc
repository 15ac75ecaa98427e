// The unclean-run handling of the commands that open KWDATA2 without a session (recipes, search,
// ...): after a killed run they rebuild the indexes before reading, and a command that writes
// keeps "Status"/"Clean" at 0 exactly while its database is open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "app/core/recipe_database.h"
#include "app/core/recipe_database_test_support.h"
#include "app/core/schema.h"
#include "app/core/setting_keys.h"
#include "app/core/startup_flags.h"
#include "platform/profile.h"
#include "tools/kwtool/kwtool_run_test_support.h"

namespace kw {
namespace {

using namespace schema;
namespace fs = std::filesystem;

class UncleanRunCommandTest : public testing::RecipeDatabaseTest {
  protected:
    void SetUp() override {
        RecipeDatabaseTest::SetUp();
        ASSERT_EQ(CreateRecipeDatabase(db_, PathOf("DATA2")), KW_OK);
        ASSERT_EQ(Insert(kTableCategory, {{kFieldName, std::string("Soups")}}), KW_OK);
        AddRecipe("Leek Soup");
        AddRecipe("Pea Soup");
    }

    void AddRecipe(const std::string &name) {
        ASSERT_EQ(Insert(kTableRecipe, {{kFieldName, name},
                                        {kFieldCategory, std::string("Soups")},
                                        {kFieldServings, int32_t{2}},
                                        {kFieldVegetarian, int32_t{1}}}),
                  KW_OK);
    }

    // A run killed after its record reached the store but before its index pages did: the
    // recipe "Onion Soup" is in KWRECIPE's record store, its indexes are those of before.
    void LeaveIndexesBehindTheStore() {
        ASSERT_EQ(db_.Close(), KW_OK);
        const fs::path data = PathOf("DATA2");
        const fs::path saved = PathOf("saved");
        fs::create_directory(saved);
        for (const auto &entry : fs::directory_iterator(data))
            if (entry.path().stem() == kTableRecipe && entry.path().extension() != ".dat")
                fs::copy_file(entry.path(), saved / entry.path().filename());
        ASSERT_EQ(OpenRecipeDatabase(db_), KW_OK);
        AddRecipe("Onion Soup");
        ASSERT_EQ(db_.Close(), KW_OK);
        for (const auto &entry : fs::directory_iterator(saved))
            fs::copy_file(entry.path(), data / entry.path().filename(),
                          fs::copy_options::overwrite_existing);
        MarkRunStarted(Settings());  // "Clean" = 0, as the killed run left it
    }

    platform::Profile &Settings() {
        if (!settings_) settings_ = std::make_unique<platform::Profile>(SettingsFilePath(dir_));
        return *settings_;
    }
    bool Clean() { return LastRunEndedCleanly(Settings()); }

    ::kwtool::testing::KwtoolRun Kwtool(const std::string &arguments) {
        db_.Close();
        return ::kwtool::testing::RunKwtool(dir_, arguments + " 2>/dev/null");
    }

    std::unique_ptr<platform::Profile> settings_;
};

TEST_F(UncleanRunCommandTest, ReadingAfterAnUncleanEndRebuildsTheIndexesFirst) {
    LeaveIndexesBehindTheStore();
    ASSERT_FALSE(Clean());
    const auto run = Kwtool("recipes");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Leek Soup\tSoups\nOnion Soup\tSoups\nPea Soup\tSoups\n");
    EXPECT_TRUE(Clean());
}

TEST_F(UncleanRunCommandTest, SearchAfterAnUncleanEndFindsEveryRecipe) {
    LeaveIndexesBehindTheStore();
    const auto run = Kwtool("search --vegetarian");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Onion Soup"), std::string::npos) << run.out;
    EXPECT_TRUE(Clean());
}

TEST_F(UncleanRunCommandTest, ReadingAfterACleanEndLeavesTheSettingsAlone) {
    db_.Close();
    const auto run = Kwtool("recipes");
    EXPECT_EQ(run.status, 0);
    EXPECT_FALSE(fs::exists(SettingsFilePath(dir_)));
}

// Starts "kwtool search --vegetarian" with its standard output on a pipe that is already full,
// so the command stops at its first printed line: after the search, before its database closes.
class BlockedSearch {
  public:
    explicit BlockedSearch(const std::string &workdir) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        out_ = fds[0];
        ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
        ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
        const std::string filler(4096, 'x');
        while (::write(fds[1], filler.data(), filler.size()) > 0) {
        }
        ::fcntl(fds[1], F_SETFL, 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDERR_FILENO);
            const std::string tool = std::string(KW_BIN_DIR) + "/kwtool";
            ::execl(tool.c_str(), tool.c_str(), "--workdir", workdir.c_str(), "search",
                    "--vegetarian", static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
    }
    ~BlockedSearch() {
        if (pid_ > 0 && !reaped_) Kill();
        if (out_ >= 0) ::close(out_);
    }
    bool Started() const { return pid_ > 0; }
    bool Running() {
        int status;
        return !reaped_ && ::waitpid(pid_, &status, WNOHANG) == 0;
    }
    // Reads the pipe empty until the command ends; its exit status.
    int Finish() {
        char buffer[4096];
        while (::read(out_, buffer, sizeof buffer) > 0) {
        }
        return Reap();
    }
    void Kill() {
        ::kill(pid_, SIGKILL);
        Reap();
    }

  private:
    int Reap() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int out_ = -1;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

// Waits (up to 20 seconds) until the settings say a run is going on.
bool WaitUntilUnclean(platform::Profile &settings) {
    for (int i = 0; i < 2000; ++i) {
        if (!LastRunEndedCleanly(settings)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_F(UncleanRunCommandTest, SearchKeepsCleanZeroWhileItsDatabaseIsOpen) {
    db_.Close();
    BlockedSearch search(dir_);
    ASSERT_TRUE(search.Started());
    ASSERT_TRUE(WaitUntilUnclean(Settings()));
    EXPECT_TRUE(search.Running());
    EXPECT_EQ(search.Finish(), 0);
    EXPECT_TRUE(Clean());
}

TEST_F(UncleanRunCommandTest, SearchKilledWhileOpenLeavesCleanZeroForTheNextRebuild) {
    db_.Close();
    {
        BlockedSearch search(dir_);
        ASSERT_TRUE(search.Started());
        ASSERT_TRUE(WaitUntilUnclean(Settings()));
        search.Kill();
    }
    EXPECT_FALSE(Clean());
    const auto run = Kwtool("recipes");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Leek Soup\tSoups\nPea Soup\tSoups\n");
    EXPECT_TRUE(Clean());
}

}  // namespace
}  // namespace kw
