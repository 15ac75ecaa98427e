// A randomized run through the exports against an in-memory model: thousands of inserts,
// updates, deletes and navigations on a table with a unique and a non-unique index, with the
// database closed and reopened between phases. After each phase every index is scanned both ways
// and compared with the model's order, and the count with the model's size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>

#include "record_test_support.h"

namespace kw::engine::testing {
namespace {

std::string Upper(std::string s) {
    for (char &c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

// The model: live records by serial, and the two index orders written from the index rules
// (character parts compared after A-Z upper-casing, zero padding sorting first; the name
// index then orders by the serial as an unsigned number).
class Model {
  public:
    std::map<uint32_t, Row> rows;
    uint32_t nextSerial = 0;

    static std::string UniqueKey(const Row &r) { return Upper(r.category) + '\1' + Upper(r.name); }

    const Row *FindUnique(const Row &r, uint32_t except = UINT32_MAX) const {
        for (const auto &[serial, row] : rows)
            if (serial != except && UniqueKey(row) == UniqueKey(r)) return &row;
        return nullptr;
    }

    std::vector<Row> ByCategoryName() const {
        return Sorted([](const Row &r) { return Upper(r.category) + '\0' + Upper(r.name); });
    }

    std::vector<Row> ByName() const {
        return Sorted([](const Row &r) {
            char serial[9];
            std::snprintf(serial, sizeof serial, "%08X", r.serial);
            return Upper(r.name) + '\0' + serial;
        });
    }

  private:
    template <typename KeyOf>
    std::vector<Row> Sorted(KeyOf keyOf) const {
        std::vector<std::pair<std::string, Row>> keyed;
        for (const auto &entry : rows)
            keyed.emplace_back(keyOf(entry.second), entry.second);
        std::sort(keyed.begin(), keyed.end(),
                  [](const auto &a, const auto &b) { return a.first < b.first; });
        std::vector<Row> out;
        for (auto &entry : keyed)
            out.push_back(std::move(entry.second));
        return out;
    }
};

class RecordRandomTest : public RecordTest {
  protected:
    std::mt19937 random_{20240611};
    Model model_;

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::string RandomCase(std::string s) {
        for (char &c : s) {
            if (Pick(3) == 0 && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        }
        return s;
    }

    Row RandomRow() {
        static const char *categories[] = {"Mains", "Desserts", "Soups", "Sides", "Bread", "Jam"};
        Row r;
        r.name = RandomCase("DISH " + std::to_string(Pick(300)));
        r.category = RandomCase(categories[Pick(6)]);
        r.minutes = Pick(1000) - 500;
        return r;
    }

    std::string UniqueSearchKey(const Row &r) {
        std::string key(kCategoryWidth + kNameWidth, '\0');
        const std::string category = RandomCase(Upper(r.category));
        const std::string name = RandomCase(Upper(r.name));
        key.replace(0, category.size(), category);
        key.replace(kCategoryWidth, name.size(), name);
        return key;
    }

    // Positions inst_ on the model's record with that serial through the unique index.
    void Reach(const Row &r) {
        const std::string key = UniqueSearchKey(r);
        ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 0, inst_, key.data(),
                                      static_cast<int32_t>(key.size()), 0),
                  KW_OK);
        ASSERT_EQ(Current(inst_), r);
    }

    const Row &AnyRow() {
        auto it = model_.rows.begin();
        std::advance(it, Pick(static_cast<int>(model_.rows.size())));
        return it->second;
    }

    void DoInsert() {
        Row r = RandomRow();
        r.serial = model_.nextSerial++;
        const bool duplicate = model_.FindUnique(r) != nullptr;
        ASSERT_EQ(Insert(r.name, r.category, r.minutes),
                  duplicate ? KWRESULT{BTERR_DUPLICATE} : KWRESULT{KW_OK})
            << r;
        ASSERT_EQ(Current(inst_).serial, r.serial);
        if (!duplicate) model_.rows[r.serial] = r;
    }

    void DoUpdate() {
        if (model_.rows.empty()) return;
        Row r = AnyRow();
        Reach(r);
        Row changed = RandomRow();
        switch (Pick(3)) {
            case 0:  // only the minutes: no key changes
                changed.name = r.name;
                changed.category = r.category;
                break;
            case 1:  // only the category: the unique index alone changes
                changed.name = r.name;
                break;
            default:
                break;
        }
        changed.serial = r.serial;
        PutText(inst_, "NAME", changed.name, kNameWidth);
        PutText(inst_, "CATEGORY", changed.category, kCategoryWidth);
        ASSERT_EQ(KW_DBPutField(db_, tbl_, inst_, "MINUTES", &changed.minutes), KW_OK);
        const bool duplicate = model_.FindUnique(changed, r.serial) != nullptr;
        ASSERT_EQ(KW_DBUpdateRecord(db_, tbl_, inst_),
                  duplicate ? KWRESULT{BTERR_DUPLICATE} : KWRESULT{KW_OK});
        if (!duplicate) model_.rows[r.serial] = changed;
    }

    void DoDelete() {
        if (model_.rows.empty()) return;
        const Row r = AnyRow();
        Reach(r);
        ASSERT_EQ(KW_DBDeleteRecord(db_, tbl_, inst_), KW_OK);
        model_.rows.erase(r.serial);
    }

    // An exact search on the name index, then a few steps either way.
    void DoNavigate() {
        const std::vector<Row> order = model_.ByName();
        const std::string name = RandomCase("DISH " + std::to_string(Pick(300)));
        auto at = std::find_if(order.begin(), order.end(),
                               [&](const Row &r) { return Upper(r.name) >= Upper(name); });
        KWRESULT r = KW_DBGetExactRecord(db_, tbl_, 1, inst_, name.data(),
                                         static_cast<int32_t>(name.size()), 0);
        if (at == order.end()) {
            ASSERT_EQ(r, KW_END);
            return;
        }
        ASSERT_EQ(r, KW_OK);
        ASSERT_EQ(Current(inst_), *at);
        const bool forward = Pick(2) == 0;
        for (int step = Pick(6); step > 0; --step) {
            r = forward ? KW_DBGetNextRecord(db_, tbl_, 1, inst_, nullptr, 0)
                        : KW_DBGetPrevRecord(db_, tbl_, 1, inst_, nullptr, 0);
            if (forward ? ++at == order.end() : at == order.begin()) {
                ASSERT_EQ(r, forward ? KW_END : KW_START);
                return;
            }
            if (!forward) --at;
            ASSERT_EQ(r, KW_OK);
            ASSERT_EQ(Current(inst_), *at);
        }
    }

    void Check() {
        const std::vector<Row> byCategoryName = model_.ByCategoryName();
        const std::vector<Row> byName = model_.ByName();
        EXPECT_EQ(Scan(0, true), byCategoryName);
        EXPECT_EQ(Scan(1, true), byName);
        std::vector<Row> backward = Scan(0, false);
        std::reverse(backward.begin(), backward.end());
        EXPECT_EQ(backward, byCategoryName);
        backward = Scan(1, false);
        std::reverse(backward.begin(), backward.end());
        EXPECT_EQ(backward, byName);
        EXPECT_EQ(Count(), static_cast<int32_t>(model_.rows.size()));
    }
};

TEST_F(RecordRandomTest, ExportsAgreeWithTheModelAcrossReopens) {
    for (int phase = 0; phase < 8; ++phase) {
        // Early phases grow the table, later ones shrink it again.
        const int insertWeight = phase < 5 ? 5 : 1;
        for (int op = 0; op < 600; ++op) {
            const int choice = Pick(insertWeight + 6);
            if (choice < insertWeight) {
                DoInsert();
            } else if (choice < insertWeight + 2) {
                DoUpdate();
            } else if (choice < insertWeight + 4) {
                DoDelete();
            } else {
                DoNavigate();
            }
            if (HasFatalFailure()) return;
        }
        Check();
        CloseAll();
        OpenAll();
        Check();
        if (HasFailure()) return;
    }
}

}  // namespace
}  // namespace kw::engine::testing
