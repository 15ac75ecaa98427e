// The own recipe text filter on the values that do not fit the plain columns and lines: names
// longer than their column, long notes, "Other" lists over several lines, and method runs the
// writer broke without a blank.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import_test_support.h"

namespace kw::import {
namespace {

using testing::CrLf;
using testing::ReadOne;

// A recipe text around the given head lines, ingredient lines and method lines.
std::string OwnText(const std::vector<std::string> &head,
                    const std::vector<std::string> &ingredients,
                    const std::vector<std::string> &method) {
    std::string text = CrLf(
        {"===== Recipe By Kettleworth 2.0 [Linux] =====", "===== https://kettleworth.example/"});
    for (const std::string &line : head)
        text += line + "\r\n";
    text += "-----\r\n";
    for (const std::string &line : ingredients)
        text += line + "\r\n";
    text += "-----\r\n";
    for (const std::string &line : method)
        text += line + "\r\n";
    return text + CrLf({"-----", "Calories  : 12", "===== End ====="});
}

const std::vector<std::string> kHead = {"Name    : Pie", "Category: Baking", "Other   : "};

TEST(OwnTextLongValues, NameEndedByATabKeepsItsNote) {
    const std::string name = "Extra virgin olive oil from Italy and Spain";  // 43 characters
    const auto r =
        ReadOne(OwnText(kHead,
                        {"2         tbsp      " + name + "\tcold pressed" + std::string(20, ' '),
                         "1         g         " + name + "\t" + std::string(32, ' ')},
                        {"Mix."}),
                KWIMPT_OWN_TEXT);
    ASSERT_EQ(r.ingredients.size(), 2u);
    EXPECT_EQ(r.ingredients[0].name, name.substr(0, 33));  // what the record holds
    EXPECT_EQ(r.ingredients[0].note, "cold pressed");
    EXPECT_FLOAT_EQ(r.ingredients[0].quantity, 30);
    EXPECT_EQ(r.ingredients[1].note, "");
    EXPECT_EQ(r.warnings, 0);
}

TEST(OwnTextLongValues, ColumnsWithoutATabReadAsBefore) {
    // A name of exactly 32 characters runs into its note; the columns still part them.
    const std::string name = "Exactly thirty-two characters ok";
    const std::string note = "a preparation note of forty-eight characters ok.";
    ASSERT_EQ(note.size(), 48u);
    const auto r = ReadOne(OwnText(kHead,
                                   {"1         g         " + name + "sifted" + std::string(26, ' '),
                                    "2         g         flour" + std::string(27, ' ') + note},
                                   {"Mix."}),
                           KWIMPT_OWN_TEXT);
    ASSERT_EQ(r.ingredients.size(), 2u);
    EXPECT_EQ(r.ingredients[0].name, name);
    EXPECT_EQ(r.ingredients[0].note, "sifted");
    EXPECT_EQ(r.ingredients[1].note, note);  // a note longer than 33 characters comes back whole
}

TEST(OwnTextLongValues, OtherLinesThatFollowEachOtherMakeOneList) {
    const auto r = ReadOne(OwnText({"Name    : Other Pie: new", "Category: Baking",
                                    "Other   : Fruit, Pies, ", "Other   : Sunday, "},
                                   {"1         g         flour"}, {"Mix."}),
                           KWIMPT_OWN_TEXT);
    // The name line's "Other: new" is not part of the list the "Other" lines make.
    EXPECT_EQ(r.others, (std::vector<std::string>{"Fruit", "Pies", "Sunday"}));
}

TEST(OwnTextLongValues, DoubleBackslashJoinsWithoutABlank) {
    const auto r = ReadOne(OwnText(kHead, {"1         g         flour"},
                                   {"See https://example.com/long\\\\", "/path for more\\",
                                    "words.", "Path C:\\dir\\\\\\", "file."}),
                           KWIMPT_OWN_TEXT);
    EXPECT_EQ(r.method,
              "See https://example.com/long/path for more words.\r\nPath C:\\dir\\file.\r\n");
    EXPECT_EQ(r.calories, 12);
}

}  // namespace
}  // namespace kw::import
