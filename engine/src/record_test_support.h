// Test support for the record access, dump, load, reindex and recovery tests: a database "RECS"
// with a recipe-like table opened through the exports, record composition by field, full index
// scans in both directions through an instance of their own, and the record chain as the store
// holds it.
//
// The table KWRECIPE:
//   NAME C 20, CATEGORY C 12, MINUTES I 4 (signed), ID U 4      record length 41
//   index 0: CATEGORY+NAME   0x111  unique, characters, case ignored
//   index 1: NAME            0x110  non-unique (ID appended), case ignored
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "engine_test_support.h"
#include "kwdata.h"
#include "store_layout.h"

namespace kw::engine::testing {

struct Row {
    std::string name;
    std::string category;
    int32_t minutes = 0;
    uint32_t serial = 0;
    bool operator==(const Row &o) const {
        return name == o.name && category == o.category && minutes == o.minutes &&
               serial == o.serial;
    }
};

inline std::ostream &operator<<(std::ostream &out, const Row &r) {
    return out << r.category << "/" << r.name << "/" << r.minutes << "#" << r.serial;
}

class RecordTest : public EngineTest {
  protected:
    static constexpr int32_t kRecordLength = 41;
    static constexpr int32_t kNameWidth = 20;
    static constexpr int32_t kCategoryWidth = 12;

    void SetUp() override {
        EngineTest::SetUp();
        OpenAll();
    }

    // Opens the database and defines and opens the table with one instance (again after
    // CloseAll, as a program run would).
    void OpenAll() {
        db_ = CreateAndOpen("RECS");
        OpenTable(recipe_.def, {&byCategoryName_, &byName_}, &tbl_, &inst_);
    }

    // Defines and opens a further table with its indexes and one instance.
    void OpenTable(KW_TableDef &def, std::initializer_list<KW_IndexDef *> indexes, int32_t *tbl,
                   int32_t *inst) {
        ASSERT_EQ(KW_DBAddTable(db_, &def, tbl), KW_OK);
        for (KW_IndexDef *index : indexes) {
            int32_t idx = -1;
            ASSERT_EQ(KW_DBAddIndex(db_, *tbl, index, &idx), KW_OK);
        }
        ASSERT_EQ(KW_DBOpenTable(db_, *tbl), KW_OK);
        ASSERT_EQ(KW_DBOpenTableInst(db_, *tbl, inst), KW_OK);
    }

    void CloseAll() {
        ASSERT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
        ASSERT_EQ(KW_DBClose(db_), KW_OK);
    }

    std::string StorePath() const { return Path("RECS/KWRECIPE.dat"); }
    TableSlot &Slot() { return Engine().databases[db_].tables[static_cast<size_t>(tbl_)]; }

    // Fills the instance's buffer with a new record (buffer cleared first).
    void Compose(int32_t inst, const std::string &name, const std::string &category,
                 int32_t minutes = 0) {
        ASSERT_EQ(KW_DBClearRecord(db_, tbl_, inst), KW_OK);
        PutText(inst, "NAME", name, kNameWidth);
        PutText(inst, "CATEGORY", category, kCategoryWidth);
        ASSERT_EQ(KW_DBPutField(db_, tbl_, inst, "MINUTES", &minutes), KW_OK);
    }

    void PutText(int32_t inst, const char *field, const std::string &text, int32_t width) {
        std::vector<char> padded(static_cast<size_t>(width), 0);
        std::memcpy(padded.data(), text.data(), std::min<size_t>(text.size(), padded.size()));
        ASSERT_EQ(KW_DBPutField(db_, tbl_, inst, field, padded.data()), KW_OK);
    }

    KWRESULT Insert(const std::string &name, const std::string &category, int32_t minutes = 0) {
        Compose(inst_, name, category, minutes);
        return KW_DBInsertRecord(db_, tbl_, inst_);
    }

    // The table's record count (-1 when the count export fails, which fails the test).
    int32_t Count() {
        int32_t count = -1;
        EXPECT_EQ(KW_DBGetCount(db_, tbl_, &count), KW_OK);
        return count;
    }

    // The reference of the current record of inst (of the table's instance when -1).
    int32_t CurrentRef(int32_t inst = -1) {
        int32_t ref = -2;
        EXPECT_EQ(KW_DBGetRecordRef(db_, tbl_, inst < 0 ? inst_ : inst, &ref), KW_OK);
        return ref;
    }

    // Exact search for name on the name index (index 1) with the table's instance.
    KWRESULT FindName(const std::string &name) {
        return KW_DBGetExactRecord(db_, tbl_, 1, inst_, name.data(),
                                   static_cast<int32_t>(name.size()), 0);
    }

    Row Current(int32_t inst) {
        char name[kNameWidth + 1] = {}, category[kCategoryWidth + 1] = {};
        Row row;
        EXPECT_EQ(KW_DBGetField(db_, tbl_, inst, "NAME", name), KW_OK);
        EXPECT_EQ(KW_DBGetField(db_, tbl_, inst, "CATEGORY", category), KW_OK);
        EXPECT_EQ(KW_DBGetField(db_, tbl_, inst, "MINUTES", &row.minutes), KW_OK);
        EXPECT_EQ(KW_DBGetField(db_, tbl_, inst, "ID", &row.serial), KW_OK);
        row.name = name;
        row.category = category;
        return row;
    }

    // Every record reachable through index idx, in index order (forward) or reversed, walked
    // with an instance of its own; the walk must end with 2 (forward) or 3.
    std::vector<Row> Scan(int32_t idx, bool forward = true) {
        std::vector<Row> rows;
        int32_t walker = -1;
        EXPECT_EQ(KW_DBOpenTableInst(db_, tbl_, &walker), KW_OK);
        KWRESULT r = forward ? KW_DBGetFirstRecord(db_, tbl_, idx, walker, nullptr, 0)
                             : KW_DBGetLastRecord(db_, tbl_, idx, walker, nullptr, 0);
        while (r == KW_OK) {
            rows.push_back(Current(walker));
            r = forward ? KW_DBGetNextRecord(db_, tbl_, idx, walker, nullptr, 0)
                        : KW_DBGetPrevRecord(db_, tbl_, idx, walker, nullptr, 0);
        }
        EXPECT_EQ(r, forward ? KW_END : KW_START);
        EXPECT_EQ(KW_DBCloseTableInst(db_, tbl_, walker), KW_OK);
        return rows;
    }

    // The records of the chain in chain order, with their references, read through the store.
    std::vector<std::pair<int32_t, std::vector<uint8_t>>> Chain() {
        std::vector<std::pair<int32_t, std::vector<uint8_t>>> records;
        RecordStore &store = *Slot().store;
        ChainWalk walk(store);
        int32_t ref = -1;
        while (walk.Next(&ref) && ref != -1) {
            std::vector<uint8_t> bytes(kRecordLength);
            EXPECT_EQ(store.ReadRecord(ref, bytes.data(), kRecordLength), kRecordLength);
            records.emplace_back(ref, std::move(bytes));
        }
        EXPECT_FALSE(walk.Failed());
        return records;
    }

    static Row RowOf(const std::vector<uint8_t> &record) {
        Row row;
        row.name =
            std::string(reinterpret_cast<const char *>(record.data()),
                        ::strnlen(reinterpret_cast<const char *>(record.data()), kNameWidth));
        const char *category = reinterpret_cast<const char *>(record.data() + kNameWidth);
        row.category = std::string(category, ::strnlen(category, kCategoryWidth));
        row.minutes = GetInt32(record.data() + 32);
        row.serial = static_cast<uint32_t>(GetInt32(record.data() + 36));
        return row;
    }

    std::vector<Row> ChainRows() {
        std::vector<Row> rows;
        for (const auto &record : Chain())
            rows.push_back(RowOf(record.second));
        return rows;
    }

    TableDefinition recipe_{"KWRECIPE",
                            {Field("NAME", 'C', kNameWidth), Field("CATEGORY", 'C', kCategoryWidth),
                             Field("MINUTES", 'I', 4), Field("ID", 'U', 4)}};
    KW_IndexDef byCategoryName_ = Index(0, "CATEGORY+NAME", 0x111);
    KW_IndexDef byName_ = Index(1, "NAME", 0x110);
    uint16_t db_ = 0;
    int32_t tbl_ = -1;
    int32_t inst_ = -1;
};

}  // namespace kw::engine::testing
