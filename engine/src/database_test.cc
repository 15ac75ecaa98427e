// Database life cycle: the use count limit, the registry and its failure codes, destroy, misc
// data and the settings read at the first start.
#include "database.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>

#include "engine_state.h"
#include "engine_test_support.h"
#include "platform/profile.h"

namespace kw::engine::testing {
namespace {

using DatabaseTest = EngineTest;

std::string Registered(const std::string &name) {
    return platform::Profile(SettingsPath()).GetString(kLocationsSection, name, "<none>");
}

TEST_F(DatabaseTest, ThirdOpenIsRefusedAndChangesNothing) {
    const uint16_t a = CreateAndOpen("ONE");
    const uint16_t b = CreateAndOpen("TWO");
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
    uint16_t c = 77;
    EXPECT_EQ(KW_DBOpen("ONE", &c), KWERR_TOOMANY);
    EXPECT_EQ(c, 77);
    EXPECT_EQ(Engine().useCount, 2);
    EXPECT_EQ(Engine().databases.size(), 2u);
    // A create is a user too while it runs.
    EXPECT_EQ(KW_DBCreateDatabase("THREE", Path("THREE").c_str(), nullptr, 0), KWERR_TOOMANY);
    EXPECT_FALSE(platform::FileExists(Path("THREE")));
    EXPECT_EQ(KW_DBGetParam(a, 0, 0), KWERR_UNSUPPORTED);
    EXPECT_EQ(KW_DBGetParam(b, 0, 0), KWERR_UNSUPPORTED);
}

TEST_F(DatabaseTest, UnregisteredNameUsesTheBuiltInLocation) {
    uint16_t db = 0;
    EXPECT_EQ(KW_DBOpen("NOWHERE", &db), KWERR_NOLOCATION);
    EXPECT_EQ(Engine().useCount, 0);  // the failed open undid its start
    // The built-in location is the literal relative name; once it exists, the open succeeds.
    ASSERT_TRUE(platform::MakeDirectory(Path("C:\\KWDATA\\")));
    EXPECT_EQ(KW_DBOpen("NOWHERE", &db), KW_OK);
    EXPECT_EQ(Engine().databases[db].directory, "C:\\KWDATA\\");
}

TEST_F(DatabaseTest, RegisteredDirectoryThatIsGoneGives507) {
    Create("GONE");
    ASSERT_TRUE(platform::RemoveFile(Path("GONE/dbver.ver")) == 0);
    ASSERT_TRUE(platform::RemoveDirectory(Path("GONE")));
    uint16_t db = 0;
    EXPECT_EQ(KW_DBOpen("GONE", &db), KWERR_NOLOCATION);
    EXPECT_EQ(Engine().useCount, 0);
}

TEST_F(DatabaseTest, CreateRegistersWritesMiscDataAndLeavesTheDatabaseClosed) {
    Create("KWDATA2", std::string("v2\0x", 4));
    EXPECT_EQ(Registered("KWDATA2"), Path("KWDATA2"));
    EXPECT_EQ(ReadFile(Path("KWDATA2/dbver.ver")), std::string("v2\0x", 4));
    EXPECT_EQ(Engine().useCount, 0);
    EXPECT_TRUE(Engine().databases.empty());
}

TEST_F(DatabaseTest, CreateOnAnExistingDirectoryGives507AndRegistersNothing) {
    ASSERT_TRUE(platform::MakeDirectory(Path("THERE")));
    EXPECT_EQ(KW_DBCreateDatabase("THERE", Path("THERE").c_str(), "x", 1), KWERR_NOLOCATION);
    EXPECT_EQ(Registered("THERE"), "<none>");
    EXPECT_FALSE(platform::FileExists(Path("THERE/dbver.ver")));
    EXPECT_EQ(Engine().useCount, 0);
    EXPECT_EQ(KW_DBCreateDatabase("BAD", Path("no/such/parent").c_str(), nullptr, 0),
              KWERR_NOLOCATION);
}

TEST_F(DatabaseTest, RegistrationFailureRemovesTheNewDirectory) {
    // A directory in the place of KWDATA.INI makes the registration unwritable.
    ASSERT_TRUE(platform::MakeDirectory(Path("KWDATA.INI")));
    EXPECT_EQ(KW_DBCreateDatabase("KWDATA2", Path("KWDATA2").c_str(), nullptr, 0), KWERR_INIWRITE);
    EXPECT_EQ(Engine().useCount, 0);
    // Without the leftover directory a retry after the fault is mended succeeds.
    EXPECT_FALSE(platform::FileExists(Path("KWDATA2")));
    ASSERT_TRUE(platform::RemoveDirectory(Path("KWDATA.INI")));
    EXPECT_EQ(KW_DBCreateDatabase("KWDATA2", Path("KWDATA2").c_str(), nullptr, 0), KW_OK);
}

TEST_F(DatabaseTest, NamesTheRegistryCannotHoldAreRefusedWith508) {
    EXPECT_EQ(KW_DBCreateDatabase("A=B", Path("AB").c_str(), nullptr, 0), KWERR_INIWRITE);
    EXPECT_EQ(KW_DBCreateDatabase("A\nB", Path("AB").c_str(), nullptr, 0), KWERR_INIWRITE);
    EXPECT_EQ(KW_DBCreateDatabase("", Path("AB").c_str(), nullptr, 0), KWERR_INIWRITE);
    EXPECT_FALSE(platform::FileExists(Path("AB")));
}

TEST_F(DatabaseTest, DestroyRules) {
    EXPECT_EQ(KW_DBDestroyDatabase("NEVER"), KWERR_NOLOCATION);

    Create("GONE");
    std::system(("rm -rf " + Path("GONE")).c_str());
    EXPECT_EQ(KW_DBDestroyDatabase("GONE"), KW_OK);
    EXPECT_EQ(Registered("GONE"), Path("GONE"));  // the registration stays

    const uint16_t db = CreateAndOpen("BUSY");
    EXPECT_EQ(KW_DBDestroyDatabase("BUSY"), KWERR_INUSE);
    EXPECT_TRUE(platform::FileExists(Path("BUSY/dbver.ver")));
    ASSERT_EQ(KW_DBClose(db), KW_OK);

    WriteFile("BUSY/KWRECIPE.dat", "records");
    WriteFile("BUSY/noext", "x");
    EXPECT_EQ(KW_DBDestroyDatabase("BUSY"), KW_OK);
    EXPECT_FALSE(platform::FileExists(Path("BUSY")));
    EXPECT_EQ(Registered("BUSY"), "<none>");
}

TEST_F(DatabaseTest, DestroyUnderAnotherCaseOfAnOpenNameIsRefused) {
    // The registry finds names without regard to case, so "busy" names the open database's
    // directory; deleting its files under it would destroy the open database.
    const uint16_t db = CreateAndOpen("BUSY");
    EXPECT_EQ(KW_DBDestroyDatabase("busy"), KWERR_INUSE);
    EXPECT_TRUE(platform::FileExists(Path("BUSY/dbver.ver")));
    KW_DBClose(db);
}

TEST_F(DatabaseTest, MiscDataReadsExactlyAndRemovesTheStaleScratchFile) {
    const uint16_t db = CreateAndOpen("KWDATA2");
    ASSERT_EQ(KW_DBUpdateMiscData(db, "2.0.0", 5), KW_OK);
    WriteFile("z1z12zzz.zzz", "stale");
    char buf[8] = {};
    EXPECT_EQ(KW_DBGetMiscData(db, buf, 5), KW_OK);
    EXPECT_EQ(std::string(buf, 5), "2.0.0");
    EXPECT_FALSE(platform::FileExists(Path("z1z12zzz.zzz")));
    EXPECT_EQ(KW_DBGetMiscData(db, buf, 6), KWERR_IO);  // the file holds only 5 bytes
    EXPECT_EQ(KW_DBGetMiscData(db + 1, buf, 5), KWERR_BADHANDLE);
    ASSERT_EQ(platform::RemoveFile(Path("KWDATA2/dbver.ver")), 0);
    EXPECT_EQ(KW_DBGetMiscData(db, buf, 5), KWERR_IO);
    EXPECT_EQ(KW_DBUpdateMiscData(db, "x", 1), KWERR_IO);  // never created by an update
    EXPECT_FALSE(platform::FileExists(Path("KWDATA2/dbver.ver")));
}

TEST_F(DatabaseTest, UpdateMiscDataKeepsTheFileTimesAndDoesNotTruncate) {
    const uint16_t db = CreateAndOpen("KWDATA2");
    const std::string path = Path("KWDATA2/dbver.ver");
    ASSERT_EQ(KW_DBUpdateMiscData(db, "1.3.0-long", 10), KW_OK);
    const struct timespec old[2] = {{1000000000, 123}, {1100000000, 456000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);

    ASSERT_EQ(KW_DBUpdateMiscData(db, "2.0.0", 5), KW_OK);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, old[1].tv_sec);
    EXPECT_EQ(st.st_mtim.tv_nsec, old[1].tv_nsec);
    EXPECT_EQ(st.st_atim.tv_sec, old[0].tv_sec);
    EXPECT_EQ(ReadFile(path), "2.0.0-long");
}

TEST_F(DatabaseTest, SlotsAreReusedAndRenumberedAfterTheLastClose) {
    const uint16_t a = CreateAndOpen("ONE");
    const uint16_t b = CreateAndOpen("TWO");
    ASSERT_EQ(KW_DBClose(a), KW_OK);
    EXPECT_EQ(KW_DBClose(a), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBGetParam(a, 0, 0), KWERR_BADHANDLE);
    EXPECT_EQ(CreateAndOpen("THREE"), 0);  // the free slot is taken before the table grows
    ASSERT_EQ(KW_DBClose(0), KW_OK);
    ASSERT_EQ(KW_DBClose(b), KW_OK);
    EXPECT_EQ(Engine().useCount, 0);
    EXPECT_TRUE(Engine().databases.empty());
    EXPECT_EQ(CreateAndOpen("TWO"), 0);
}

TEST_F(DatabaseTest, HandlesUseOnlyTheirLow16Bits) {
    const uint16_t db = CreateAndOpen("ONE");
    EXPECT_EQ(KW_DBGetParam(db | 0x70000, 1, 2), KWERR_UNSUPPORTED);
    EXPECT_EQ(KW_DBGetParam(db + 1, 1, 2), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBGetParam(-1, 1, 2), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBClose(db | 0x10000), KW_OK);
}

TEST_F(DatabaseTest, SettingsDefaultWithoutAFile) {
    CreateAndOpen("ONE");
    const Settings &s = Engine().settings;
    EXPECT_EQ(s.btreeBuffers, 20);
    EXPECT_EQ(s.storeBuffers, 20);
    EXPECT_EQ(s.btreeType, 2);
    EXPECT_EQ(s.storeType, 2);
}

TEST_F(DatabaseTest, SettingsAreClampedAndReadOnlyAtTheFirstStart) {
    WriteFile("KWDATA.INI",
              "[cache]\r\nBtreeBuffers=300\r\nStoreBuffers=100000\r\nBtreeType=abc\r\n"
              "StoreType=7\r\n");
    const uint16_t a = CreateAndOpen("ONE");
    Settings s = Engine().settings;
    EXPECT_EQ(s.btreeBuffers, 255);
    EXPECT_EQ(s.storeBuffers, 100000);
    EXPECT_EQ(s.btreeType, 0);  // not a number reads as 0
    EXPECT_EQ(s.storeType, 2);

    platform::Profile ini(SettingsPath());
    ini.WriteString("Cache", "BtreeBuffers", "-4");
    ini.WriteString("Cache", "StoreBuffers", "-1");
    ini.WriteString("Cache", "BtreeType", " 1xyz");
    ini.WriteString("Cache", "StoreType", "-9");
    CreateAndOpen("TWO");  // a second user: nothing is re-read
    EXPECT_EQ(Engine().settings.btreeBuffers, 255);

    KW_DBClose(a);
    KW_DBClose(1);
    CreateAndOpen("ONE");  // the first user again: read anew
    s = Engine().settings;
    EXPECT_EQ(s.btreeBuffers, 0);
    EXPECT_EQ(s.storeBuffers, 0);
    EXPECT_EQ(s.btreeType, 1);
    EXPECT_EQ(s.storeType, 0);
}

TEST(DecimalToIntTest, ConvertsLikeTheSettingsConversion) {
    EXPECT_EQ(DecimalToInt("42"), 42);
    EXPECT_EQ(DecimalToInt("  -7kg"), -7);
    EXPECT_EQ(DecimalToInt("+3"), 3);
    EXPECT_EQ(DecimalToInt(""), 0);
    EXPECT_EQ(DecimalToInt("x1"), 0);
    EXPECT_EQ(DecimalToInt("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(DecimalToInt("-99999999999999999999"), INT32_MIN);
}

}  // namespace
}  // namespace kw::engine::testing
