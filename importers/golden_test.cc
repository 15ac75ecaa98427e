// Golden files, one per quirk: testdata/NAME.{mmf,mxp,txt} is read with the filter its name
// starts with (mm_ Meal-Master, mc_ MasterCook, own_ own text) and the description of every
// recipe, with the problems logged for it, must equal testdata/NAME.expected byte for byte.
// Running the tests with KW_UPDATE_GOLDEN=1 rewrites the expected files (review the diff!).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "import_test_support.h"
#include "recipe_walk.h"

namespace kw::import {
namespace {

namespace fs = std::filesystem;

int32_t FilterOf(const std::string &stem) {
    if (stem.rfind("mm_", 0) == 0) return KWIMPT_MEAL_MASTER;
    if (stem.rfind("mc_", 0) == 0) return KWIMPT_MASTERCOOK;
    return KWIMPT_OWN_TEXT;
}

std::vector<fs::path> GoldenInputs() {
    std::vector<fs::path> inputs;
    for (const auto &entry : fs::directory_iterator(KW_IMPORT_TESTDATA)) {
        const auto extension = entry.path().extension();
        if (extension == ".mmf" || extension == ".mxp" || extension == ".txt")
            inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

class GoldenTest : public ::testing::TestWithParam<fs::path> {};

TEST_P(GoldenTest, DescriptionMatchesTheExpectedFile) {
    const fs::path input = GetParam();
    const std::string stem = input.stem().string();
    const std::string text = testing::ReadFileBytes(input.string());
    const int32_t filter = FilterOf(stem);
    // The detectors agree with the name.
    EXPECT_EQ(GetBestFilter(text.c_str()), filter) << stem;

    const WalkReport report = DescribeAllRecipes(text.c_str(), filter, false);
    const fs::path expectedPath = fs::path(input).replace_extension(".expected");
    if (const char *update = std::getenv("KW_UPDATE_GOLDEN"); update && *update == '1') {
        std::ofstream(expectedPath, std::ios::binary) << report.text;
        GTEST_SKIP() << "rewrote " << expectedPath;
    }
    bool ok = false;
    const std::string expected = testing::ReadFileBytes(expectedPath.string(), &ok);
    ASSERT_TRUE(ok) << "missing " << expectedPath;
    EXPECT_EQ(report.text, expected) << stem;
}

INSTANTIATE_TEST_SUITE_P(Quirks, GoldenTest, ::testing::ValuesIn(GoldenInputs()),
                         [](const ::testing::TestParamInfo<fs::path> &info) {
                             std::string name = info.param.stem().string();
                             for (char &c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace kw::import
