// Inputs the fuzz target fuzz/fuzz_scrambled_file.cc found faults with, kept under testdata/ and
// read here the way the fault showed. Each test is named after the fault it pins.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/interchange/scrambled_file.h"

namespace kw {
namespace {

std::string TestData(const std::string &name) {
    return std::string(KW_SOURCE_DIR) + "/app/interchange/testdata/" + name;
}

// A file cut right after the "@@" that starts a long text (a method, say) ends inside a line,
// though what that line holds so far is empty. It was reported as read whole, its cut last line
// dropped.
TEST(ScrambledFileFuzzRegressionTest, LongTextCutAfterItsStartIsNotAWholeFile) {
    int version = 0;
    std::vector<std::string> lines;
    EXPECT_FALSE(
        DecodeScrambledFile(TestData("long_text_cut_after_its_start.sce"), &version, &lines));
    EXPECT_EQ(version, 107);
    const std::vector<std::string> expected = {"=== RECIPES", "*",  "Apple Pie", "Desserts",
                                               "*",           "**", ""};
    EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace kw
