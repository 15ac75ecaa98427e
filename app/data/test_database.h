// For tests of the data access classes: a fresh working directory per test case (the engine
// keeps its registry KWDATA.INI in the working directory), and a small table whose fields cover
// every type the typed access handles.
//
//   KWTEST   NAME C48, FLAG L1, COUNT I4, SMALL I2, PRICE F4, AMOUNT F8, UNIQUE U4
//            index 0 NAME 0x111, index 2 COUNT 0x020 (no index 1: engine index 1 is number 2)
//   KWOTHER  TITLE C20, UNIQUE U4; index 0 TITLE 0x110
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

#include "kwdata.h"

namespace kw::testing {

inline KW_FieldDef testFields[] = {
    {"NAME", 'C', 48, 0}, {"FLAG", 'L', 1, 0},   {"COUNT", 'I', 4, 0},  {"SMALL", 'I', 2, 0},
    {"PRICE", 'F', 4, 2}, {"AMOUNT", 'F', 8, 2}, {"UNIQUE", 'U', 4, 0},
};
inline KW_IndexDef testIndexes[] = {
    {0, "NAME", KW_KEY_UNIQUE | KW_KEY_CHAR | KW_KEY_NOCASE},
    {2, "COUNT", KW_KEY_INT},
};
inline KW_FieldDef otherFields[] = {{"TITLE", 'C', 20, 0}, {"UNIQUE", 'U', 4, 0}};
inline KW_IndexDef otherIndexes[] = {{0, "TITLE", KW_KEY_CHAR | KW_KEY_NOCASE}};

inline KW_TableDef testTables[] = {
    {"KWTEST", 7, testFields, 2, testIndexes},
    {"KWOTHER", 2, otherFields, 1, otherIndexes},
};

inline constexpr char kTestDatabase[] = "KWTESTDB";

// Each test case runs in its own empty directory, removed afterwards.
class DataTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char cwd[PATH_MAX];
        ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
        previous_ = cwd;
        char tmpl[] = "/tmp/kwdataXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ASSERT_EQ(::chdir(dir_.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(::chdir(previous_.c_str()), 0);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    std::string PathOf(const std::string &name) const { return dir_ + "/" + name; }
    bool Exists(const std::string &name) const { return std::filesystem::exists(PathOf(name)); }

    std::string dir_;
    std::string previous_;
};

}  // namespace kw::testing
