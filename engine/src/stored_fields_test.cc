// KW_DBReadStoredFields against the whole-record reads of a chain walk: the same records in the
// same order with the same bytes, deferred writes included, and the same failures on damaged
// stores (a broken block, a short record, a cut-off file, a loop).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "record_test_support.h"
#include "store_test_support.h"

namespace kw::engine {
namespace {

constexpr int32_t kLength = 41;  // the test table's record length
constexpr int32_t kFirst = 32;
constexpr int32_t kStride = 24 + kLength;  // blocks appended one after another

class StoredFieldsTest : public testing::RecordTest {
  protected:
    // The rows of fields read by the export; EXPECTs result.
    std::vector<uint8_t> ReadRows(std::vector<const char *> fields, int32_t rowSize, int32_t *count,
                                  KWRESULT result = KW_OK) {
        const int32_t capacity = std::max(Count(), 0) + 1;
        std::vector<uint8_t> rows(static_cast<size_t>(capacity * rowSize), 0xEE);
        EXPECT_EQ(KW_DBReadStoredFields(db_, tbl_, static_cast<int32_t>(fields.size()),
                                        fields.data(), rows.data(), capacity, count),
                  result);
        return rows;
    }

    // What a walk of the chain reading each whole record gives for NAME, MINUTES, ID (the row
    // layout the tests ask for: 20 + 4 + 4 bytes).
    std::vector<uint8_t> ExpectedRows() {
        std::vector<uint8_t> rows;
        for (const auto &[ref, record] : Chain()) {
            rows.insert(rows.end(), record.begin(), record.begin() + kNameWidth);
            rows.insert(rows.end(), record.begin() + 32, record.begin() + 36);
            rows.insert(rows.end(), record.begin() + 36, record.begin() + 40);
        }
        return rows;
    }

    void ExpectSameAsChain() {
        const std::vector<uint8_t> expected = ExpectedRows();
        int32_t count = -1;
        std::vector<uint8_t> rows = ReadRows({"NAME", "MINUTES", "ID"}, 28, &count);
        ASSERT_EQ(static_cast<size_t>(count) * 28, expected.size());
        rows.resize(expected.size());
        EXPECT_EQ(rows, expected);
    }

    // Closes everything, lets damage change the store file, and opens it again.
    template <typename Damage>
    void DamageStore(Damage damage) {
        CloseAll();
        damage(StorePath());
        OpenAll();
    }

    // The export fails with code (below 500 also the extended error), as navigation does.
    void ExpectFailure(KWRESULT code) {
        int32_t count = -7;
        const char *fields[] = {"NAME"};
        char row[kNameWidth * 8];
        EXPECT_EQ(KW_DBReadStoredFields(db_, tbl_, 1, fields, row, 8, &count), code);
        if (code < KWERR_NOMEM) {
            EXPECT_EQ(KW_DBGetExtendedError(), code);
        }
        EXPECT_EQ(count, -7);
    }
};

TEST_F(StoredFieldsTest, RandomRecordsGiveTheBytesOfWholeRecordReadsInChainOrder) {
    std::mt19937 random(4711);
    std::vector<std::string> names;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 60; ++i) {
            // Names from 1 to 20 characters: a full-width one has no terminator.
            std::string name(1 + random() % kNameWidth, 'a');
            for (char &c : name)
                c = static_cast<char>('A' + random() % 26);
            if (Insert(name, "Cat" + std::to_string(random() % 5),
                       static_cast<int32_t>(random() % 2000) - 1000) == KW_OK)
                names.push_back(name);
        }
        // Deleted records leave the chain; the blocks they free are reused out of file order.
        std::shuffle(names.begin(), names.end(), random);
        for (int i = 0; i < 15 && !names.empty(); ++i) {
            ASSERT_EQ(FindName(names.back()), KW_OK);
            ASSERT_EQ(KW_DBDeleteRecord(db_, tbl_, inst_), KW_OK);
            names.pop_back();
        }
        // The block writes are still deferred in the cache here.
        ExpectSameAsChain();
    }
    ASSERT_EQ(Count(), static_cast<int32_t>(names.size()));
    CloseAll();
    OpenAll();
    ExpectSameAsChain();
}

TEST_F(StoredFieldsTest, ACapacityBelowTheCountFillsOnlyThatManyRowsAndCountsEveryRecord) {
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(Insert("N" + std::to_string(i), "C", i), KW_OK);
    const char *fields[] = {"MINUTES"};
    int32_t minutes[5] = {-1, -1, -1, -1, -1};
    int32_t count = -1;
    ASSERT_EQ(KW_DBReadStoredFields(db_, tbl_, 1, fields, minutes, 3, &count), KW_OK);
    EXPECT_EQ(count, 10);
    EXPECT_EQ(std::vector<int32_t>(minutes, minutes + 5), (std::vector<int32_t>{0, 1, 2, -1, -1}));
    // A count alone, and no field at all.
    ASSERT_EQ(KW_DBReadStoredFields(db_, tbl_, 1, fields, nullptr, 0, &count), KW_OK);
    EXPECT_EQ(count, 10);
    ASSERT_EQ(KW_DBReadStoredFields(db_, tbl_, 0, nullptr, nullptr, 0, &count), KW_OK);
    EXPECT_EQ(count, 10);
}

TEST_F(StoredFieldsTest, AnEmptyTableHasNoRow) {
    int32_t count = -1;
    ReadRows({"NAME"}, kNameWidth, &count);
    EXPECT_EQ(count, 0);
}

TEST_F(StoredFieldsTest, BadArgumentsAreRefusedBeforeAnythingIsRead) {
    ASSERT_EQ(Insert("Soup", "Starter"), KW_OK);
    int32_t count = -1;
    char row[64];
    const char *unknown[] = {"NAME", "NOSUCH"};
    EXPECT_EQ(KW_DBReadStoredFields(db_, tbl_, 2, unknown, row, 1, &count), KWERR_NOFIELD);
    const char *missing[] = {nullptr};
    EXPECT_EQ(KW_DBReadStoredFields(db_, tbl_, 1, missing, row, 1, &count), KWERR_NOFIELD);
    const char *fields[] = {"NAME"};
    EXPECT_EQ(KW_DBReadStoredFields(db_, tbl_, 1, fields, row, 1, nullptr), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBReadStoredFields(db_, tbl_, 1, fields, row, -1, &count), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBReadStoredFields(db_, tbl_, 1, fields, nullptr, 1, &count), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBReadStoredFields(db_, tbl_, -1, fields, row, 1, &count), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBReadStoredFields(db_, tbl_ + 5, 1, fields, row, 1, &count), KWERR_BADHANDLE);
    EXPECT_EQ(count, -1);
    ASSERT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
    EXPECT_EQ(KW_DBReadStoredFields(db_, tbl_, 1, fields, row, 1, &count), KWERR_NOTOPEN);
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
}

TEST_F(StoredFieldsTest, ARecordBlockWithAForeignMagicGives403) {
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(Insert("N" + std::to_string(i), "C"), KW_OK);
    DamageStore([](const std::string &path) {
        testing::PatchInt32(path, kFirst + 2 * kStride, 0x11111111);
    });
    ExpectFailure(STERR_BADBLOCK);
}

TEST_F(StoredFieldsTest, ARecordShorterThanTheRecordLengthGives519EvenWhenTheFieldsFit) {
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(Insert("N" + std::to_string(i), "C"), KW_OK);
    // The third record's used length ends before MINUTES: NAME alone would still fit in it.
    DamageStore([](const std::string &path) {
        testing::PatchInt32(path, kFirst + 2 * kStride + 8, kNameWidth);
    });
    ExpectFailure(KWERR_RECLEN);
}

TEST_F(StoredFieldsTest, AFileCutInsideTheLastRecordGives403) {
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(Insert("N" + std::to_string(i), "C"), KW_OK);
    DamageStore([](const std::string &path) {
        std::filesystem::resize_file(path, kFirst + 3 * kStride + 24 + 10);
    });
    ExpectFailure(STERR_BADBLOCK);
}

TEST_F(StoredFieldsTest, AChainThatLoopsGives403InsteadOfRunningOn) {
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(Insert("N" + std::to_string(i), "C"), KW_OK);
    // The last block's next link leads back to the second: every block is sound on its own.
    DamageStore([](const std::string &path) {
        testing::PatchInt32(path, kFirst + 3 * kStride + 16, kFirst + kStride);
    });
    ExpectFailure(STERR_BADBLOCK);
}

}  // namespace
}  // namespace kw::engine
