// The field extractors: keyword fields, flags, columns, numbers, category lists, bounded append.
#include "fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "import_test_support.h"

namespace kw::import {
namespace {

TEST(KeywordField, FoundAnywhereInTheLineEvenInsideAnotherWord) {
    // The search is by substring, so "Title" is found inside "SubTitle:". It keeps letter case,
    // so a line "Subtitle: x" (lower-case t) holds no "Title".
    EXPECT_EQ(RawKeywordField("   SubTitle: x", "Title", 48), "x");
    EXPECT_FALSE(RawKeywordField("   Subtitle: x", "Title", 48));
    EXPECT_EQ(RawKeywordField("      Title: Almond Puff   \t", "Title", 48), "Almond Puff");
    EXPECT_EQ(RawKeywordField("Title  :  spaced", "Title", 48), "spaced");
    EXPECT_FALSE(RawKeywordField("Categories: x", "Title", 48));
    EXPECT_FALSE(RawKeywordField("title: lower case", "Title", 48));
    // A keyword without a ':' after it is not a field.
    EXPECT_FALSE(RawKeywordField("Title only", "Title", 48));
    EXPECT_FALSE(RawKeywordField("a: Title", "Title", 48));
}

TEST(KeywordField, CutToWidthMinusOneThenTrailingBlanksRemoved) {
    EXPECT_EQ(RawKeywordField("Name: abcdefgh", "Name", 5), "abcd");
    EXPECT_EQ(RawKeywordField("Name: ab   cd", "Name", 6), "ab");
    EXPECT_EQ(RawKeywordField("Name:", "Name", 48), "");
}

TEST(KeywordField, CleanedReplacesAllButLettersDigitsBlankDashPointSlash) {
    EXPECT_EQ(CleanedKeywordField("Title: \"BE MINE\" 1/2 Mom's pie.", "Title", 48),
              "-BE MINE- 1/2 Mom-s pie.");
    EXPECT_EQ(CleanedKeywordField("Title: caf\x82 \xE9t\xE9", "Title", 48), "caf- -t-");
}

TEST(FlagField, FirstNonBlankAfterTheColon) {
    char vegetarian = 0, gluten = 0;
    const std::string line = "Vegetarian: Y  Gluten Free: N";
    EXPECT_TRUE(FlagField(line, "Vegetarian", &vegetarian));
    EXPECT_TRUE(FlagField(line, "Gluten Free", &gluten));
    EXPECT_EQ(vegetarian, 'Y');
    EXPECT_EQ(gluten, 'N');
    char untouched = 'x';
    EXPECT_TRUE(FlagField("Dairy Free", "Dairy Free", &untouched));
    EXPECT_EQ(untouched, 'x');
    EXPECT_FALSE(FlagField("Calories: 4", "Dairy Free", &untouched));
}

TEST(Column, AbsentOnlyWhenTheLineIsShorterThanItsStart) {
    EXPECT_FALSE(Column("abc", 4, 6));
    EXPECT_EQ(Column("abcd", 4, 6), "");
    EXPECT_EQ(Column("  1 1/2 c  Flour", 0, 2), "1");
    EXPECT_EQ(Column("  1 1/2 c  Flour", 4, 6), "1/2");
    EXPECT_EQ(Column("  1 1/2 c  Flour", 11, 39), "Flour");
    EXPECT_EQ(Column("x\t y \t", 1, 10), "y");
}

TEST(Numbers, TimeIntegerAndDecimalPrefixes) {
    EXPECT_EQ(TimeValue("1:15"), 75);
    EXPECT_EQ(TimeValue(" 14"), 14);
    EXPECT_EQ(TimeValue("0:30       Total Time: 1:15"), 30);
    EXPECT_EQ(TimeValue("abc"), 0);
    EXPECT_EQ(TimeValue("99999999999:99"), INT32_MAX);
    EXPECT_EQ(IntegerPrefix("8 Servings"), 8);
    EXPECT_EQ(IntegerPrefix("  -3x"), -3);
    EXPECT_EQ(IntegerPrefix("none"), 0);
    EXPECT_EQ(IntegerPrefix("123456789012345"), INT32_MAX);
    EXPECT_DOUBLE_EQ(DecimalPrefix("12.50 dollars"), 12.5);
    EXPECT_DOUBLE_EQ(DecimalPrefix("1e5"), 1);  // no exponents
    EXPECT_DOUBLE_EQ(DecimalPrefix("inf"), 0);
}

TEST(Numbers, MixedQuantityExamples) {
    EXPECT_DOUBLE_EQ(MixedQuantity("1", "1/2"), 1.5);
    EXPECT_DOUBLE_EQ(MixedQuantity("", "3/4"), 0.75);
    EXPECT_DOUBLE_EQ(MixedQuantity("2", ""), 2);
    EXPECT_DOUBLE_EQ(MixedQuantity("", "1.5"), 1.5);
    EXPECT_DOUBLE_EQ(MixedQuantity("1-1", "1/2"), 1.5);  // digits up to the first non-digit
    EXPECT_DOUBLE_EQ(MixedQuantity("", "1-2"), 1);
    EXPECT_DOUBLE_EQ(MixedQuantity("", "3/0"), 3);  // a denominator below 1.5 counts as 1
    EXPECT_DOUBLE_EQ(MixedQuantity("", "1/ 4"), 0.25);
    EXPECT_DOUBLE_EQ(MixedQuantity("", "/16"), 0);
    EXPECT_DOUBLE_EQ(MixedQuantity("abc", "xyz"), 0);
}

TEST(Numbers, QuantityTextReadsWhatTheProgramShows) {
    EXPECT_DOUBLE_EQ(QuantityText("1 1/2"), 1.5);
    EXPECT_DOUBLE_EQ(QuantityText("3/4"), 0.75);
    EXPECT_DOUBLE_EQ(QuantityText("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(QuantityText("1200"), 1200);
    EXPECT_FALSE(std::signbit(QuantityText("-")));  // "-" is no amount, not minus zero
    EXPECT_DOUBLE_EQ(QuantityText(""), 0);
    EXPECT_DOUBLE_EQ(QuantityText("2/0"), 2);
}

class CategoryListTest : public ::testing::Test {
  protected:
    void SetUp() override { std::memset(record_.get(), 0, sizeof *record_); }
    std::vector<std::string> Others() const { return testing::Unpack(*record_).others; }
    std::unique_ptr<RecipeImportRecord> record_ = std::make_unique<RecipeImportRecord>();
};

TEST_F(CategoryListTest, SplitsAtCommasCleansAndDropsEmptyEntries) {
    EXPECT_EQ(SplitCategoryList(" Main Dish, Poultry ,\t Soups & Stews, , ", record_.get()), 3);
    EXPECT_EQ(Others(), (std::vector<std::string>{"Main Dish", "Poultry", "Soups - Stews"}));
}

TEST_F(CategoryListTest, EntriesAreCutTo32AndTheListTo32) {
    std::string list = std::string(40, 'a') + ",";
    for (int i = 0; i < 40; ++i)
        list += "c" + std::to_string(i) + ",";
    SplitCategoryList(list, record_.get());
    const auto others = Others();
    ASSERT_EQ(others.size(), 32u);
    EXPECT_EQ(others[0], std::string(32, 'a'));
    EXPECT_EQ(others[31], "c30");
}

TEST(BoundedAppend, AppendsAtMost32AndStaysInsideTheSlot) {
    char note[50] = "chopped";
    BoundedAppend(note, sizeof note, " ");
    BoundedAppend(note, sizeof note, "finely");
    EXPECT_STREQ(note, "chopped finely");
    BoundedAppend(note, sizeof note, std::string(40, 'z'));
    EXPECT_EQ(std::string(note), "chopped finely" + std::string(32, 'z'));
    BoundedAppend(note, sizeof note, std::string(40, 'y'));
    EXPECT_EQ(std::strlen(note), 49u);
    char small[50] = "x";
    BoundedAppend(small, sizeof small, std::string(129, 'w'));  // over 128: nothing changes
    EXPECT_STREQ(small, "x");
}

TEST(SetText, CutsToTheSlotAndZeroesTheRest) {
    char slot[6];
    std::memset(slot, 'q', sizeof slot);
    SetText(slot, "abcdefgh");
    EXPECT_STREQ(slot, "abcde");
    SetText(slot, "ab");
    EXPECT_EQ(std::string(slot, sizeof slot), std::string("ab\0\0\0\0", 6));
}

}  // namespace
}  // namespace kw::import
