// Whole-file helpers: CR LF output, replacing files, reading import text in its encoding.
#include "app/interchange/text_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/interchange/testing.h"

namespace kw {
namespace {

using testing::TempDir;

std::string ReadBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(TextFileTest, EveryLineBreakBecomesCrLf) {
    EXPECT_EQ(WithCrLfLineBreaks("a\nb\r\nc\rd\n\n\r\r\n"), "a\r\nb\r\nc\r\nd\r\n\r\n\r\n\r\n");
    EXPECT_EQ(WithCrLfLineBreaks(""), "");
    EXPECT_EQ(WithCrLfLineBreaks("no break \xE9"), "no break \xE9");
}

TEST(TextFileTest, ReplacingALongerFileLeavesNoOldTail) {
    TempDir dir;
    std::string path = dir.File("recipe.txt");
    std::ofstream(path, std::ios::binary) << std::string(1000, 'o');
    int error = 0;
    ASSERT_TRUE(WriteCp1252TextFile(path,
                                    "Cr\xE8me\nbr\xFBl\xE9"
                                    "e\n",
                                    &error))
        << error;
    EXPECT_EQ(ReadBytes(path),
              "Cr\xE8me\r\nbr\xFBl\xE9"
              "e\r\n");
}

TEST(TextFileTest, FailuresGiveTheirCause) {
    TempDir dir;
    int error = 0;
    EXPECT_FALSE(WriteCp1252TextFile(dir.Path(), "x", &error));  // a directory is not replaced
    EXPECT_NE(error, 0);
    error = 0;
    EXPECT_FALSE(WriteCp1252TextFile(dir.File("no/such/dir.txt"), "x", &error));
    EXPECT_EQ(error, ENOENT);
    std::string text = "kept";
    EXPECT_FALSE(
        ReadTextFileAsCp1252(dir.File("missing.txt"), platform::Encoding::kAuto, &text, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(text, "");
}

TEST(TextFileTest, ImportTextArrivesInWindows1252) {
    TempDir dir;
    std::string path = dir.File("dos.txt");
    std::ofstream(path, std::ios::binary) << "\xC4\xC4\xC4 Saut\x82 at 350\xF8\r\n";
    std::string text;
    ASSERT_TRUE(ReadTextFileAsCp1252(path, platform::Encoding::kAuto, &text));
    EXPECT_EQ(text, "--- Saut\xE9 at 350\xB0\r\n");
    ASSERT_TRUE(ReadTextFileAsCp1252(path, platform::Encoding::kCp1252, &text));
    EXPECT_EQ(text, "\xC4\xC4\xC4 Saut\x82 at 350\xF8\r\n");
}

// Plain ASCII is taken as read, without the conversion: every encoding must give the same text
// the conversion would, control bytes and a lone NUL included.
TEST(TextFileTest, AsciiTextReadsAlikeInEveryEncoding) {
    TempDir dir;
    std::string path = dir.File("ascii.txt");
    std::string ascii;
    for (int c = 0; c < 0x80; ++c)
        ascii.push_back(static_cast<char>(c));
    ascii += "\r\n\r\nMMMMM----- Recipe via Meal-Master\r\n\tTitle: Soup\r\n";
    std::ofstream(path, std::ios::binary) << ascii;
    for (platform::Encoding encoding :
         {platform::Encoding::kAuto, platform::Encoding::kUtf8, platform::Encoding::kCp1252,
          platform::Encoding::kCp437, platform::Encoding::kCp850}) {
        std::string text;
        ASSERT_TRUE(ReadTextFileAsCp1252(path, encoding, &text));
        EXPECT_EQ(text, platform::ConvertToCp1252(ascii, encoding))
            << platform::EncodingName(encoding);
    }
}

// The ASCII check reads eight bytes at a time: one non-ASCII byte must be seen wherever it
// stands, in a whole word or in the tail behind the last one.
TEST(TextFileTest, OneNonAsciiByteAnywhereIsConverted) {
    TempDir dir;
    const std::string path = dir.File("one.txt");
    for (size_t length = 1; length <= 20; ++length) {
        for (size_t at = 0; at < length; ++at) {
            std::string bytes(length, 'a');
            bytes[at] = '\x82';  // e acute in code page 437
            std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
            std::string text;
            ASSERT_TRUE(ReadTextFileAsCp1252(path, platform::Encoding::kCp437, &text));
            EXPECT_EQ(text, platform::ConvertToCp1252(bytes, platform::Encoding::kCp437))
                << length << " " << at;
            EXPECT_EQ(text[at], '\xE9');
        }
    }
}

}  // namespace
}  // namespace kw
