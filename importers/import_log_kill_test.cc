// The import log written by a process that is killed with SIGKILL at random moments: the file
// always holds the entries of every recipe whose read had ended, whole and in order, followed at
// most by part of the recipe being read — never a gap, a repeated entry or an entry of a later
// recipe before an earlier one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "import_log.h"
#include "platform/kill_test_support.h"
#include "platform/scratch_dir_test_support.h"

namespace kw::import {
namespace {

constexpr int kLinesPerRecipe = 40;

std::string LogEntry(int recipe, int line) {
    return "recipe " + std::to_string(recipe) + " line " + std::to_string(line) +
           std::string(line % 90, '.') + "\r\n";
}

// What the log holds after the first `recipes` recipes were read.
std::string LogOfRecipes(int recipes) {
    std::string text;
    for (int r = 1; r <= recipes; ++r)
        for (int l = 0; l < kLinesPerRecipe; ++l)
            text += LogEntry(r, l);
    return text;
}

// Reads recipes for ever, one writer per recipe as the filter library makes them, and tells the
// parent through the pipe each recipe whose writer has ended.
[[noreturn]] void ReadRecipesForEver(const std::string &path, int pipeOut) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) ::_exit(3);
    for (int recipe = 1;; ++recipe) {
        {
            ImportLog log(fd);
            for (int line = 0; line < kLinesPerRecipe; ++line) {
                const std::string entry = LogEntry(recipe, line);
                log.Printf("%s", entry.c_str());
            }
        }
        if (::write(pipeOut, &recipe, sizeof recipe) != sizeof recipe) ::_exit(4);
    }
}

TEST(ImportLogKillTest, AKillLosesAtMostTheRecipeBeingRead) {
    const kw::testing::ScratchDir dir("kwimportlogkill");
    ASSERT_TRUE(dir.ok());
    const std::string path = dir.path() + "/import.out";

    std::mt19937 random(1207);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        // Each round starts from no log: a child killed before it opened the file leaves none.
        ::unlink(path.c_str());
        const int finished =
            kw::testing::RunChildAndKill([&](int pipeOut) { ReadRecipesForEver(path, pipeOut); },
                                         static_cast<useconds_t>(1000 + random() % 20000));
        ASSERT_GE(finished, 0);

        std::ifstream in(path, std::ios::binary);
        std::stringstream contents;
        contents << in.rdbuf();
        const std::string text = contents.str();
        const std::string kept = LogOfRecipes(finished);
        ASSERT_GE(text.size(), kept.size()) << "recipes read to the end were lost";
        EXPECT_EQ(text.compare(0, kept.size(), kept), 0);
        // Beyond them, only the start of the recipe being read (or of the one just ended).
        const std::string next = LogOfRecipes(finished + 1);
        ASSERT_LE(text.size(), next.size());
        EXPECT_EQ(next.compare(0, text.size(), text), 0);
    }
}

}  // namespace
}  // namespace kw::import
