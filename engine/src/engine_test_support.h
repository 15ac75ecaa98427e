// Test support for the engine: a fresh temporary working directory per test (KWDATA.INI lives in
// the working directory), cleanup of databases a failing test left open, and builders for field
// and index definitions.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "engine_state.h"
#include "kwdata.h"
#include "platform/path.h"

namespace kw::engine::testing {

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kwengineXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        previous_ = platform::WorkingDirectory();
        ASSERT_EQ(::chdir(dir_.c_str()), 0);
    }

    void TearDown() override {
        std::vector<DatabaseSlot> &slots = Engine().databases;
        for (size_t i = 0; i < slots.size(); ++i)
            if (slots[i].inUse) KW_DBClose(static_cast<int32_t>(i));
        ASSERT_EQ(::chdir(previous_.c_str()), 0);
        std::system(("chmod -R u+w " + dir_ + " 2>/dev/null; rm -rf " + dir_).c_str());
    }

    // An absolute path inside the test directory.
    std::string Path(const std::string &name) const { return platform::JoinPath(dir_, name); }

    void WriteFile(const std::string &name, const std::string &text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    std::string ReadFile(const std::string &path) const {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Registers and creates database name in the test directory's subdirectory of that name.
    void Create(const char *name, const std::string &misc = "") const {
        ASSERT_EQ(KW_DBCreateDatabase(name, Path(name).c_str(), misc.data(),
                                      static_cast<int32_t>(misc.size())),
                  KW_OK);
    }

    // Creates (when needed) and opens database name.
    uint16_t CreateAndOpen(const char *name) const {
        if (!platform::IsDirectory(Path(name))) Create(name);
        uint16_t db = 0xFFFF;
        EXPECT_EQ(KW_DBOpen(name, &db), KW_OK);
        return db;
    }

    std::string dir_;
    std::string previous_;
};

inline KW_FieldDef Field(const char *name, char type, int32_t width) {
    KW_FieldDef f;
    std::memset(&f, 0, sizeof f);
    // Names of 11 characters fill the field without a terminator, as the 600 tests need.
    std::memcpy(f.name, name, std::min(std::strlen(name), sizeof f.name));
    f.type = type;
    f.width = width;
    return f;
}

inline KW_IndexDef Index(uint8_t number, const std::string &expression, int32_t flags) {
    KW_IndexDef d;
    std::memset(&d, 0, sizeof d);
    d.number = number;
    std::strncpy(d.expression, expression.c_str(), sizeof d.expression - 1);
    d.flags = flags;
    return d;
}

// A table definition that owns its field array.
struct TableDefinition {
    explicit TableDefinition(const char *name, std::vector<KW_FieldDef> fieldList = {})
        : fields(std::move(fieldList)) {
        std::memset(&def, 0, sizeof def);
        std::strncpy(def.name, name, sizeof def.name - 1);
        def.fieldCount = static_cast<int32_t>(fields.size());
        def.fields = fields.data();
    }
    TableDefinition(const TableDefinition &) = delete;
    TableDefinition &operator=(const TableDefinition &) = delete;
    std::vector<KW_FieldDef> fields;
    KW_TableDef def;
};

}  // namespace kw::engine::testing
