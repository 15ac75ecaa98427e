// Component versions read from the embedded version record of real and synthetic files.
#include "app/core/component_version.h"

#include "app/core/messages.h"
#include "app/core/test_temp_dir.h"

namespace kw {
namespace {

class ComponentVersionTest : public testing::TempDirTest {
  protected:
    // A file with filler bytes around one record.
    std::string Synthetic(const std::string &name, const std::string &fields, size_t before = 100) {
        std::string bytes(before, '\x7f');
        bytes += std::string("@(#)") + "Kettleworth;" + fields;
        bytes.push_back('\0');
        bytes += std::string(50, '\x01');
        WriteFile(name, bytes);
        return PathOf(name);
    }
};

TEST_F(ComponentVersionTest, RealBuiltLibrary) {
    ComponentVersion v = GetComponentVersion(std::string(KW_BIN_DIR) + "/libkwdata.so");
    // The build type decides the debug suffix; the version itself comes from the project.
    EXPECT_EQ(v.version.rfind("2.0.0", 0), 0u) << v.version;
    EXPECT_EQ(v.specialBuild, "");
}

TEST_F(ComponentVersionTest, MissingFileNotAFileAndNoRecord) {
    EXPECT_EQ(GetComponentVersion(PathOf("absent.so")).version, "Not Installed");
    EXPECT_EQ(GetComponentVersion(dir_).version, "Not Installed");
    WriteFile("plain.so", std::string(200000, 'z'));
    EXPECT_EQ(GetComponentVersion(PathOf("plain.so")).version, "Unknown");
    WriteFile("empty.so", "");
    EXPECT_EQ(GetComponentVersion(PathOf("empty.so")).version, "Unknown");
}

TEST_F(ComponentVersionTest, FlagsGiveDebugBetaAndSpecialBuild) {
    struct Row {
        const char *fields;
        const char *version;
        const char *special;
    } rows[] = {
        {"Component=x;FileVersion=2.0.1;Flags=0;SpecialBuild=;", "2.0.1", ""},
        {"Component=x;FileVersion=2.0.1;Flags=1;SpecialBuild=;", "2.0.1 [Debug]", ""},
        {"Component=x;FileVersion=2.0.1;Flags=2;SpecialBuild=;", "2.0.1 [BETA]", ""},
        {"Component=x;FileVersion=2.0.1;Flags=3;SpecialBuild=;", "2.0.1 [Debug] [BETA]", ""},
        {"Component=x;FileVersion=2.1;Flags=32;SpecialBuild=for Ann;", "2.1", "for Ann"},
        // Without the special-build flag the text is not shown.
        {"Component=x;FileVersion=2.1;Flags=0;SpecialBuild=for Ann;", "2.1", ""},
        // A record without a version reads "Unknown", still with its suffix.
        {"Component=x;Flags=1;", "Unknown [Debug]", ""},
        {"Component=x;FileVersion=1.0;Flags=junk;", "1.0", ""},
    };
    for (const auto &r : rows) {
        ComponentVersion v = GetComponentVersion(Synthetic("lib.so", r.fields));
        EXPECT_EQ(v.version, r.version) << r.fields;
        EXPECT_EQ(v.specialBuild, r.special) << r.fields;
    }
}

TEST_F(ComponentVersionTest, RecordAcrossAChunkBoundaryAndBareMarkersSkipped) {
    for (size_t before : {65536 - 7, 65536 - 16, 65536, 3 * 65536 + 1})
        EXPECT_EQ(GetComponentVersion(Synthetic("lib.so", "Component=x;FileVersion=9.9;", before))
                      .version,
                  "9.9")
            << before;
    // A bare marker (as the scanning program holds one) is not a record.
    std::string bytes = std::string("@(#)") + "Kettleworth;" + '\0' + "junk";
    bytes += std::string("@(#)") + "Kettleworth;Component=y;FileVersion=3.0;" + '\0';
    WriteFile("two.so", bytes);
    EXPECT_EQ(GetComponentVersion(PathOf("two.so")).version, "3.0");
    // A marker cut off at the end of the file.
    WriteFile("cut.so", std::string("xx@(#)") + "Kettle");
    EXPECT_EQ(GetComponentVersion(PathOf("cut.so")).version, "Unknown");
}

TEST_F(ComponentVersionTest, AboutBoxLines) {
    Synthetic("libkwdata.so", "Component=libkwdata.so;FileVersion=2.0.0;Flags=0;");
    Synthetic("recipe", "Component=recipe;FileVersion=2.0.3;Flags=2;");
    auto lines = AboutComponentLines(dir_, PathOf("recipe"));
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "Database Engine\tVersion 2.0.0", "Time custom control\tVersion Not Installed",
                  "Import filters\tVersion Not Installed", "Grid Control\tVersion 2.0.3 [BETA]"}));
    EXPECT_EQ(AboutVersionLine("2.0.3 [BETA]"), "Kettleworth Application - Version 2.0.3 [BETA]");
}

}  // namespace
}  // namespace kw
