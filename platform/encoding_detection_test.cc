// Guessing the encoding of recipe text: constructed samples of each encoding and the real
// Meal-Master collection, which is code page 437 with a few Latin-1 recipes mixed in.
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kw::platform {
namespace {

const char kLatin1Recipe[] =
    "Title: Cr\xE8me br\xFBl\xE9"
    "e\r\n"
    "Saut\xE9 the onions, add the pur\xE9"
    "e and bake at 350\xB0 for 1 hour.\r\n";
const char kCp437Recipe[] =
    "\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4 Recipe \xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\r\n"
    "Title: Cr\x8Ame br\x96l\x82"
    "e\r\n"
    "Saut\x82 the onions and bake at 350\xF8 for 3\xAB hours.\r\n";
const char kCp850Recipe[] =
    "Title: P\xC6o de queijo (S\xC7o Paulo)\r\n"
    "Mix the r\x82sum\x82 with the \xC6 and bake.\r\n";

TEST(DetectEncodingTest, EachEncodingOfTheSameRecipeIsRecognised) {
    EXPECT_EQ(DetectEncoding(kLatin1Recipe), Encoding::kCp1252);
    EXPECT_EQ(DetectEncoding(kCp437Recipe), Encoding::kCp437);
    EXPECT_EQ(DetectEncoding(kCp850Recipe), Encoding::kCp850);
    EXPECT_EQ(DetectEncoding("Cr\u00E8me br\u00FBl\u00E9"
                             "e \u2500\u2500 350\u00B0"),
              Encoding::kUtf8);
}

TEST(DetectEncodingTest, PlainAsciiAndEmptyTextAreWindows1252) {
    EXPECT_EQ(DetectEncoding(""), Encoding::kCp1252);
    EXPECT_EQ(DetectEncoding("MMMMM----- Recipe via Meal-Master\r\n"), Encoding::kCp1252);
}

TEST(DetectEncodingTest, WindowsQuotesAreNotTakenForDosLetters) {
    // 0x92 is ’ in Windows-1252 and Æ in the DOS pages; 0x93/0x94 are “ ” or ô ö.
    EXPECT_EQ(DetectEncoding("It\x92s done when \x93golden\x94.\r\n"), Encoding::kCp1252);
    // But ö and ß in a German word are DOS when the bytes say so.
    EXPECT_EQ(DetectEncoding("Gr\x94\xE1"
                             "e: 1 cup\r\n"),
              Encoding::kCp437);
}

TEST(DetectEncodingTest, NoEvidenceTiesGoToWindows1252) {
    // 0xA9 is © in Windows-1252, ⌐ in 437, ® in 850: nothing here is a letter or a rule.
    EXPECT_EQ(DetectEncoding("Copyright \xA9 1995\r\n"), Encoding::kCp1252);
}

TEST(ConvertAutoTest, ConvertsEachSampleToTheSameWindows1252Text) {
    std::string expected =
        "Title: Cr\xE8me br\xFBl\xE9"
        "e\r\n";
    EXPECT_EQ(ConvertToCp1252(kLatin1Recipe, Encoding::kAuto).substr(0, expected.size()), expected);
    std::string dos = ConvertToCp1252(kCp437Recipe, Encoding::kAuto);
    EXPECT_EQ(dos, "---------- Recipe --------\r\n" + expected +
                       "Saut\xE9 the onions and bake at 350\xB0 for 3\xBD hours.\r\n");
    EXPECT_EQ(ConvertToCp1252("Title: Cr\u00E8me br\u00FBl\u00E9"
                              "e\r\n",
                              Encoding::kAuto),
              expected);
}

TEST(ConvertAutoTest, ALatin1ParagraphInsideADosTextKeepsItsAccents) {
    std::string text = std::string(kCp437Recipe) + " \r\n" + kLatin1Recipe + " \r\n" + kCp437Recipe;
    ASSERT_EQ(DetectEncoding(text), Encoding::kCp437);
    std::string converted = ConvertToCp1252(text, Encoding::kAuto);
    EXPECT_NE(converted.find("Saut\xE9 the onions, add the pur\xE9"
                             "e and bake at 350\xB0"),
              std::string::npos);
    EXPECT_NE(converted.find("3\xBD hours"), std::string::npos);
    EXPECT_EQ(converted.find('?'), std::string::npos);
}

TEST(ConvertAutoTest, AParagraphWithoutEvidenceFollowsTheWholeText) {
    // 0xAE 0xAF: « » in the DOS pages, ® ¯ in Windows-1252; the text as a whole is DOS.
    std::string text = std::string(kCp437Recipe) + " \r\n" + "(1:102/125) \xAE \xAF BBS\r\n";
    EXPECT_NE(ConvertToCp1252(text, Encoding::kAuto).find("(1:102/125) \xAB \xBB BBS"),
              std::string::npos);
}

TEST(ConvertAutoTest, AUtf8ParagraphInsideASingleByteTextIsDecodedAsUtf8) {
    std::string text = std::string(kCp437Recipe) + " \r\n" + "Cr\u00E8me \u2500\u2500\u2500\r\n";
    EXPECT_NE(ConvertToCp1252(text, Encoding::kAuto).find("Cr\xE8me ---\r\n"), std::string::npos);
}

// The real Meal-Master collection, when the shared corpus is at hand.
std::string ReadCorpusFile(const std::string &name) {
    std::vector<std::string> dirs;
    if (const char *env = std::getenv("KW_CORPUS_DIR")) dirs.push_back(env);
    dirs.push_back(std::string(KW_SOURCE_DIR) + "/../shared/corpus");
    dirs.push_back(std::string(KW_SOURCE_DIR) + "/../../shared/corpus");
    for (const std::string &dir : dirs) {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        if (!in) continue;
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    return "";
}

TEST(CorpusEncodingTest, MealMasterCollectionIsDosWithLatin1RecipesKept) {
    std::string text =
        ReadCorpusFile("mealmaster/DipLernin__Text_Generation__datasets_recipies.txt");
    if (text.empty()) GTEST_SKIP() << "corpus not found (set KW_CORPUS_DIR)";
    EXPECT_EQ(DetectEncoding(text), Encoding::kCp437);
    std::string converted = ConvertToCp1252(text, Encoding::kAuto);
    ASSERT_EQ(converted.size(), text.size());
    // Code page 437 parts: 0x82 é, 0xF8 °, 0xC4 rules, 0xAB ½, 0x8A è.
    EXPECT_NE(converted.find("skillet and saut\xE9"
                             "e for 5"),
              std::string::npos);
    EXPECT_NE(converted.find("to 375\xB0"
                             "F. Cover"),
              std::string::npos);
    EXPECT_NE(converted.find("(1:102/125) - Area: International"), std::string::npos);
    EXPECT_NE(converted.find("\r\n  ------------------------------------------------ Msg#: 66"),
              std::string::npos);
    EXPECT_NE(converted.find("oven for 3\xBD hours"), std::string::npos);
    EXPECT_NE(converted.find("Gruy\xE8re"), std::string::npos);
    // Latin-1 recipes: 0xE9 é and 0xB0 ° stay as they are.
    EXPECT_NE(converted.find("finely chopped, saut\xE9"
                             "ed onions"),
              std::string::npos);
    EXPECT_NE(converted.find("Bake in 350\xB0 oven"), std::string::npos);
    EXPECT_NE(converted.find("Scotch and kahl\xFA"
                             "a."),
              std::string::npos);
}

}  // namespace
}  // namespace kw::platform
