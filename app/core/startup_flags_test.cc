// Start-up and shut-down flags: clean runs, first runs, version changes and one-shot requests.
#include "app/core/startup_flags.h"

#include <sys/stat.h>

#include "app/core/setting_keys.h"
#include "app/core/test_temp_dir.h"

namespace kw {
namespace {

class StartupFlagsTest : public testing::TempDirTest {
  protected:
    platform::Profile Ini() const { return platform::Profile(SettingsFilePath(dir_)); }
};

TEST_F(StartupFlagsTest, SettingsFileWithoutCleanIsACleanPreviousRun) {
    auto ini = Ini();
    EXPECT_TRUE(MarkRunStarted(ini));
    // While the run goes on the file says unclean; a kill now is seen by the next start.
    EXPECT_EQ(ini.GetString("Status", "Clean", ""), "0");
    EXPECT_TRUE(ini.HasKey("Status", "WVersion"));
    EXPECT_FALSE(MarkRunStarted(ini));
    ASSERT_TRUE(MarkRunEnded(ini));
    EXPECT_EQ(ini.GetString("Status", "Clean", ""), "1");
    EXPECT_TRUE(MarkRunStarted(ini));
}

TEST_F(StartupFlagsTest, CrashedRunForcesAnIndexRebuild) {
    auto ini = Ini();
    MarkRunStarted(ini);
    ReadInstallState(ini);  // the first run leaves "Version" at "2.0"
    // The process dies here: no MarkRunEnded.
    bool clean = MarkRunStarted(ini);
    InstallState state = ReadInstallState(ini);
    EXPECT_FALSE(clean);
    EXPECT_FALSE(state.versionChanged);
    EXPECT_TRUE(IndexRebuildNeeded(clean, state));
    EXPECT_FALSE(IndexRebuildNeeded(true, state));
}

TEST_F(StartupFlagsTest, MissingOrDifferentVersionIsAChangeAndThenReads20) {
    for (const char *stored : {"", "1.3", "2.00", "3.0", "2.0"}) {
        auto ini = Ini();
        if (*stored)
            ini.WriteString("Install", "Version", std::string(stored));
        else
            ini.WriteString("Install", "Version", std::nullopt);
        InstallState state = ReadInstallState(ini);
        EXPECT_EQ(state.versionChanged, std::string(stored) != "2.0") << stored;
        EXPECT_EQ(IndexRebuildNeeded(true, state), state.versionChanged) << stored;
        EXPECT_EQ(ini.GetString("Install", "Version", ""), "2.0");
    }
}

TEST_F(StartupFlagsTest, FirstRunOnlyWhenLastUsedMissingOrNotPositive) {
    struct Row {
        const char *lastUsed;  // nullptr: key missing
        bool firstRun;
    } rows[] = {{nullptr, true},
                {"0", true},
                {"-5", true},
                {"abc", true},
                {"", true},
                {"1", false},
                {"1700000000", false},
                // A start time after 2038 is still a positive number.
                {"3000000000", false}};
    for (const auto &r : rows) {
        auto ini = Ini();
        ini.WriteString("Install", "LastUsed",
                        r.lastUsed ? std::optional<std::string>(r.lastUsed) : std::nullopt);
        EXPECT_EQ(ReadInstallState(ini).firstRun, r.firstRun) << (r.lastUsed ? r.lastUsed : "-");
    }
    auto ini = Ini();
    ASSERT_TRUE(WriteLastUsed(ini, 4102444800));  // 2100-01-01
    EXPECT_EQ(ini.GetString("Install", "LastUsed", ""), "4102444800");
    EXPECT_FALSE(ReadInstallState(ini).firstRun);
}

TEST_F(StartupFlagsTest, ReIndexRequestIsOneShot) {
    auto ini = Ini();
    EXPECT_FALSE(ReadInstallState(ini).reindexRequested);
    ini.WriteString("Install", "ReIndex", std::string("4294967296"));
    InstallState state = ReadInstallState(ini);
    EXPECT_TRUE(state.reindexRequested);
    EXPECT_TRUE(IndexRebuildNeeded(true, state));
    ASSERT_TRUE(ClearReIndexRequest(ini));
    EXPECT_FALSE(ini.HasKey("Install", "ReIndex"));
    EXPECT_FALSE(ReadInstallState(ini).reindexRequested);
}

TEST_F(StartupFlagsTest, FirstRunArchivesListedAndEveryKeyDeletedEvenAfterAFailedLoad) {
    auto ini = Ini();
    ini.WriteString("Install", "FileCount", std::string("3"));
    ini.WriteString("Install", "File01", std::string("/a/one.sda"));
    ini.WriteString("Install", "File03", std::string("/a/three.sda"));  // File02 missing
    EXPECT_TRUE(FirstRunArchives(ini, false).empty());

    auto archives = FirstRunArchives(ini, true);
    ASSERT_EQ(archives.size(), 3u);
    EXPECT_EQ(archives[0].key, "File01");
    EXPECT_EQ(archives[0].path, "/a/one.sda");
    EXPECT_EQ(archives[1].index, 2);
    EXPECT_EQ(archives[1].path, "");
    EXPECT_EQ(archives[2].path, "/a/three.sda");
    // The loader fails on every one of them; the keys go all the same.
    for (const auto &a : archives)
        EXPECT_TRUE(DeleteArchiveKey(ini, a));
    ASSERT_TRUE(DeleteArchiveCount(ini));
    EXPECT_TRUE(ini.Keys("Install").empty());
    EXPECT_TRUE(FirstRunArchives(ini, true).empty());
}

TEST_F(StartupFlagsTest, DamagedFileCountIsBounded) {
    auto ini = Ini();
    ini.WriteString("Install", "FileCount", std::string("2000000000"));
    EXPECT_EQ(FirstRunArchives(ini, true).size(), static_cast<size_t>(kMaxArchiveFiles));
    ini.WriteString("Install", "FileCount", std::string("-4"));
    EXPECT_TRUE(FirstRunArchives(ini, true).empty());
}

TEST_F(StartupFlagsTest, LocationAndCategoryFill) {
    auto ini = Ini();
    EXPECT_EQ(DatabaseLocation(ini, dir_), dir_ + "/DATA2");
    ini.WriteString("Install", "Location", std::string("/data/kw"));
    EXPECT_EQ(DatabaseLocation(ini, dir_), "/data/kw");

    EXPECT_TRUE(CategoryFillRequested(ini));
    ASSERT_TRUE(ClearCategoryFillRequest(ini));
    EXPECT_EQ(ini.GetString("Install", "FillRcpRec", ""), "0");
    EXPECT_FALSE(CategoryFillRequested(ini));
}

TEST_F(StartupFlagsTest, UnwritableSettingsFileIsReported) {
    // A directory in the settings file's place cannot be replaced.
    ASSERT_EQ(::mkdir(SettingsFilePath(dir_).c_str(), 0755), 0);
    auto ini = Ini();
    EXPECT_FALSE(ClearCategoryFillRequest(ini));
    EXPECT_FALSE(MarkRunEnded(ini));
    EXPECT_TRUE(MarkRunStarted(ini));  // reads as a clean previous run and goes on
}

}  // namespace
}  // namespace kw
