// Profile against the Windows private-profile semantics the system relies on.
#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/path.h"
#include "platform/scratch_dir_test_support.h"

namespace kw::platform {
namespace {

class ProfileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.ok());
        dir_ = scratch_.path();
        path_ = JoinPath(dir_, "TEST.INI");
    }

    void WriteRaw(const std::string &text) { std::ofstream(path_, std::ios::binary) << text; }
    std::string ReadRaw() {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    kw::testing::ScratchDir scratch_{"kwprofile"};
    std::string dir_;
    std::string path_;
};

TEST_F(ProfileTest, MissingFileGivesDefaultsAndWriteCreatesIt) {
    Profile p(path_);
    EXPECT_EQ(p.GetString("Cache", "StoreBuffers", "20"), "20");
    EXPECT_EQ(p.GetInt("Cache", "StoreType", 2), 2);
    EXPECT_FALSE(p.HasKey("Cache", "StoreType"));
    EXPECT_TRUE(p.WriteString("Locations", "KWDATA2", std::string("/data/x")));
    EXPECT_EQ(ReadRaw(), "[Locations]\r\nKWDATA2=/data/x\r\n");
}

TEST_F(ProfileTest, NamesIgnoreCaseValuesKeepIt) {
    WriteRaw("[Settings]\nUnits = 1\nFaceName=Times New Roman\n");
    Profile p(path_);
    EXPECT_EQ(p.GetString("SETTINGS", "units", ""), "1");
    EXPECT_EQ(p.GetString("settings", "FACENAME", ""), "Times New Roman");
    EXPECT_TRUE(p.WriteString("sEtTiNgS", "UNITS", std::string("Mixed Case")));
    EXPECT_EQ(p.GetString("Settings", "Units", ""), "Mixed Case");
    // The existing line was replaced, not a second key added.
    EXPECT_EQ(p.Keys("Settings").size(), 2u);
}

TEST_F(ProfileTest, CrLfAndLfBothReadAndQuotesAreStripped) {
    WriteRaw("[A]\r\nx=1\r\ny=\"quoted value\"\r\n[B]\nz=3\n");
    Profile p(path_);
    EXPECT_EQ(p.GetInt("A", "x", 0), 1);
    EXPECT_EQ(p.GetString("A", "y", ""), "quoted value");
    EXPECT_EQ(p.GetInt("B", "z", 0), 3);
}

TEST_F(ProfileTest, IntegersConvertLikeDecimalTextToInteger) {
    WriteRaw("[Cache]\na=abc\nb=-5\nc=12xyz\nd=\n");
    Profile p(path_);
    EXPECT_EQ(p.GetInt("Cache", "a", 7), 0);
    EXPECT_EQ(p.GetInt("Cache", "b", 7), -5);
    EXPECT_EQ(p.GetInt("Cache", "c", 7), 12);
    EXPECT_EQ(p.GetInt("Cache", "d", 7), 0);
    EXPECT_EQ(p.GetInt("Cache", "missing", 7), 7);
}

TEST_F(ProfileTest, NullValueDeletesKeyAndKeepsTheRest) {
    WriteRaw("; settings\r\n[Install]\r\nFile01=a.sda\r\nFile02=b.sda\r\nLastUsed=3\r\n");
    Profile p(path_);
    EXPECT_TRUE(p.WriteString("Install", "file01", std::nullopt));
    EXPECT_FALSE(p.HasKey("Install", "File01"));
    EXPECT_EQ(p.GetString("Install", "File02", ""), "b.sda");
    EXPECT_EQ(ReadRaw(), "; settings\r\n[Install]\r\nFile02=b.sda\r\nLastUsed=3\r\n");
    // Deleting what is not there succeeds and changes nothing.
    EXPECT_TRUE(p.WriteString("Nowhere", "x", std::nullopt));
    EXPECT_TRUE(p.WriteString("Install", "x", std::nullopt));
    EXPECT_EQ(p.Keys("Install"), (std::vector<std::string>{"File02", "LastUsed"}));
}

TEST_F(ProfileTest, NewKeyGoesIntoItsSectionNotAtTheEnd) {
    WriteRaw("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    Profile p(path_);
    EXPECT_TRUE(p.WriteString("A", "z", std::string("3")));
    EXPECT_EQ(ReadRaw(), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
    EXPECT_EQ(p.Sections(), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(p.DeleteSection("a"));
    EXPECT_EQ(p.Sections(), (std::vector<std::string>{"B"}));
}

TEST_F(ProfileTest, LongValuesAreCutToTheMaximumLength) {
    Profile p(path_);
    p.WriteString("S", "k", std::string(300, 'x'));
    EXPECT_EQ(p.GetString("S", "k", "", 260).size(), 260u);
    EXPECT_EQ(p.GetString("S", "missing", std::string(300, 'd'), 260).size(), 260u);
}

TEST_F(ProfileTest, WriteReplacesTheFileAtomically) {
    WriteRaw("[A]\r\nx=1\r\n");
    struct stat before;
    ASSERT_EQ(::stat(path_.c_str(), &before), 0);
    Profile p(path_);
    ASSERT_TRUE(p.WriteString("A", "x", std::string("2")));
    struct stat after;
    ASSERT_EQ(::stat(path_.c_str(), &after), 0);
    // A new file took the old one's place by rename; no temporary is left behind.
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(ListFiles(dir_), std::vector<std::string>{"TEST.INI"});
}

TEST_F(ProfileTest, FailedWriteLeavesTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
    WriteRaw("[A]\r\nx=1\r\n");
    ::chmod(dir_.c_str(), 0555);
    Profile p(path_);
    EXPECT_FALSE(p.WriteString("A", "x", std::string("2")));
    ::chmod(dir_.c_str(), 0755);
    EXPECT_EQ(p.GetString("A", "x", ""), "1");
}

TEST_F(ProfileTest, FailedWriteIntoMissingDirectoryReportsFalse) {
    Profile p(JoinPath(dir_, "no/such/dir/X.INI"));
    EXPECT_FALSE(p.WriteString("A", "x", std::string("2")));
}

}  // namespace
}  // namespace kw::platform
