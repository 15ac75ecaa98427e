// The bottom-up build of an index file from sorted entries: for counts around every page and
// level boundary and for short and longest keys, the built tree is checked from the bytes on disk
// and must answer every find and cursor walk exactly as a tree grown by inserting the same
// entries in random order; inserts and deletes after the build must keep working on it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "btree.h"
#include "btree_test_support.h"
#include "kwdata.h"

namespace kw::engine {
namespace {

using testing::Bytes;
using testing::FileChecker;
using testing::ReadHeader;
using testing::TempDir;

// Case-insensitive characters then a serial, like the table indexes.
KeyLayout BulkLayout(int32_t charLength) {
    KeyLayout layout;
    layout.flags = KW_KEY_CHAR | KW_KEY_NOCASE;
    layout.parts.push_back({0, charLength, layout.flags});
    layout.parts.push_back({charLength, 4, layout.flags | KW_KEY_SERIAL});
    layout.keyLength = charLength + 4;
    layout.perPartCompare = true;
    layout.fieldWidthTotal = layout.keyLength;
    return layout;
}

using Entries = std::vector<std::pair<std::string, int32_t>>;

// Builds tree from entries in key order.
bool BuildFrom(BTree &tree, const Entries &sorted) {
    const int32_t keyLength =
        sorted.empty() ? 8 : static_cast<int32_t>(sorted.front().first.size());
    if (!tree.BeginSorted(sorted.size(), keyLength)) return false;
    for (const auto &[key, ref] : sorted) {
        if (!tree.AddSorted(Bytes(key), ref)) return false;
    }
    return tree.EndSorted();
}

// count distinct keys of the layout's length: random letters in both cases (so case-folded
// order differs from byte order) over few distinct prefixes, then the serial i.
Entries RandomEntries(const KeyLayout &layout, int count, uint32_t seed) {
    std::mt19937 rng(seed);
    const int32_t chars = layout.keyLength - 4;
    std::vector<std::pair<std::string, int32_t>> entries;
    for (int i = 0; i < count; ++i) {
        std::string key(static_cast<size_t>(layout.keyLength), '\0');
        for (int32_t c = 0; c < chars; ++c) {
            const char letter = static_cast<char>('a' + rng() % 3);
            key[static_cast<size_t>(c)] = rng() % 2 ? letter : static_cast<char>(letter - 32);
        }
        const auto serial = static_cast<uint32_t>(i);
        std::memcpy(key.data() + chars, &serial, 4);
        entries.emplace_back(std::move(key), 1000 + 24 * i);
    }
    return entries;
}

struct Walked {
    std::vector<std::pair<std::string, int32_t>> entries;
    bool operator==(const Walked &) const = default;
};

// Every entry in key order, read forward from First or backward from Last.
Walked Walk(BTree &tree, bool forward) {
    Walked walked;
    EXPECT_TRUE(forward ? tree.First() : tree.Last());
    uint8_t key[kMaxKeyBuffer];
    int32_t length = 0, ref = 0;
    while ((forward ? tree.Next(key, &length, &ref) : tree.Prev(key, &length, &ref)) == 0)
        walked.entries.emplace_back(std::string(reinterpret_cast<char *>(key), length), ref);
    if (!forward) std::reverse(walked.entries.begin(), walked.entries.end());
    return walked;
}

class BulkBuildTest : public ::testing::TestWithParam<std::pair<int32_t, int>> {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.ok()); }

    std::unique_ptr<BTree> Open(const std::string &name, const KeyLayout &layout) {
        return BTree::Open(dir_.File(name), &layout, 8, 2);
    }
    int Compare(const KeyLayout &layout, const std::string &a, const std::string &b) {
        return CompareKeys(layout, Bytes(a), static_cast<int32_t>(a.size()), Bytes(b),
                           static_cast<int32_t>(b.size()));
    }

    TempDir dir_;
};

TEST_P(BulkBuildTest, BuiltTreeAnswersEveryFindAndWalkAsTheInsertedOne) {
    const auto [charLength, count] = GetParam();
    const KeyLayout layout = BulkLayout(charLength);
    auto entries = RandomEntries(layout, count, static_cast<uint32_t>(count + charLength));

    auto inserted = Open("inserted.i00", layout);
    auto built = Open("built.i00", layout);
    ASSERT_TRUE(inserted && built);
    // The built file held another tree before, as an index file being rebuilt does.
    for (int i = 0; i < 50; ++i) {
        const std::string old = testing::SeqKey(i) + std::string(layout.keyLength - 8, 'z');
        ASSERT_EQ(built->Insert(Bytes(old), layout.keyLength, i), 0);
    }
    std::shuffle(entries.begin(), entries.end(), std::mt19937(7));
    for (const auto &[key, ref] : entries)
        ASSERT_EQ(inserted->Insert(Bytes(key), layout.keyLength, ref), 0);
    Entries sorted = entries;
    std::sort(sorted.begin(), sorted.end(),
              [&](const auto &a, const auto &b) { return Compare(layout, a.first, b.first) < 0; });
    ASSERT_TRUE(BuildFrom(*built, sorted));

    const Walked expected = Walk(*inserted, true);
    ASSERT_EQ(expected.entries, sorted);
    EXPECT_EQ(Walk(*built, true), expected);
    EXPECT_EQ(Walk(*built, false), expected);
    for (const auto &[key, ref] : entries) {
        int32_t found = -1;
        ASSERT_EQ(built->Find(Bytes(key), layout.keyLength, &found), 0);
        EXPECT_EQ(found, ref);
        // A key just above this one (the serial raised by one is not in the tree when the key's
        // serial is the largest of its letters, and otherwise names another entry): both trees
        // agree on the miss or the hit and on where the cursor then stands.
        std::string above = key;
        const auto serialByte = static_cast<size_t>(charLength);
        above[serialByte] = static_cast<char>(above[serialByte] ^ 0x40);
        int32_t a = -1, b = -1;
        ASSERT_EQ(built->Find(Bytes(above), layout.keyLength, &a),
                  inserted->Find(Bytes(above), layout.keyLength, &b));
        uint8_t k1[kMaxKeyBuffer], k2[kMaxKeyBuffer];
        int32_t l1 = 0, l2 = 0;
        ASSERT_EQ(built->Next(k1, &l1, &a), inserted->Next(k2, &l2, &b));
        EXPECT_EQ(std::string(reinterpret_cast<char *>(k1), l1),
                  std::string(reinterpret_cast<char *>(k2), l2));
        EXPECT_EQ(a, b);
    }
    ASSERT_TRUE(built->Close());
    ASSERT_TRUE(inserted->Close());
    auto compare = [&](const std::string &a, const std::string &b) {
        return Compare(layout, a, b);
    };
    FileChecker checker(dir_.File("built.i00"), compare);
    const auto report = checker.Check();
    EXPECT_EQ(checker.Problems(), 0);
    EXPECT_EQ(report.entries, sorted);
    EXPECT_EQ(report.freePages, 0);
    // Pages are at least as full as inserts leave them, so the built file is never larger.
    EXPECT_LE(report.header.end, ReadHeader(dir_.File("inserted.i00")).end);
}

TEST_P(BulkBuildTest, InsertsAndDeletesKeepWorkingAfterTheBuild) {
    const auto [charLength, count] = GetParam();
    const KeyLayout layout = BulkLayout(charLength);
    auto entries = RandomEntries(layout, count + count / 2, static_cast<uint32_t>(count));
    auto tree = Open("built.i00", layout);
    ASSERT_TRUE(tree);
    auto less = [&](const std::string &a, const std::string &b) {
        return Compare(layout, a, b) < 0;
    };
    std::map<std::string, int32_t, decltype(less)> model(less);
    for (int i = 0; i < count; ++i)
        model.insert(entries[static_cast<size_t>(i)]);
    ASSERT_TRUE(BuildFrom(*tree, Entries(model.begin(), model.end())));

    // The built pages are as full as an insert leaves them, so these inserts split pages at once.
    std::mt19937 rng(11);
    for (size_t i = static_cast<size_t>(count); i < entries.size(); ++i) {
        ASSERT_EQ(tree->Insert(Bytes(entries[i].first), layout.keyLength, entries[i].second), 0);
        model.insert(entries[i]);
        // Now and then an earlier key, when still there, is deleted.
        const std::string &victim = entries[rng() % (i + 1)].first;
        if (rng() % 3 == 0 && model.erase(victim) == 1) {
            ASSERT_EQ(tree->Delete(Bytes(victim), layout.keyLength), 0);
        }
    }
    const Walked walked = Walk(*tree, true);
    EXPECT_EQ(walked.entries,
              (std::vector<std::pair<std::string, int32_t>>(model.begin(), model.end())));
    ASSERT_TRUE(tree->Close());
    FileChecker checker(dir_.File("built.i00"), [&](const std::string &a, const std::string &b) {
        return Compare(layout, a, b);
    });
    checker.Check();
    EXPECT_EQ(checker.Problems(), 0);
}

// Key lengths 8 (30 entries a page) and 230 (2 a page, inner pages of 3 children), counts from
// empty over one page, a page and one, to four (8 bytes) and six levels (230 bytes).
INSTANTIATE_TEST_SUITE_P(CountsAndKeyLengths, BulkBuildTest,
                         ::testing::Values(std::make_pair(4, 0), std::make_pair(4, 1),
                                           std::make_pair(4, 30), std::make_pair(4, 31),
                                           std::make_pair(4, 507), std::make_pair(4, 30000),
                                           std::make_pair(226, 1), std::make_pair(226, 2),
                                           std::make_pair(226, 3), std::make_pair(226, 7),
                                           std::make_pair(226, 400)));

TEST(BulkBuildRefusalTest, ALengthInsertWouldRefuseOrAWrongCountLeavesNoHalfBuiltTree) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    const KeyLayout layout = BulkLayout(4);
    auto tree = BTree::Open(dir.File("t.i00"), &layout, 8, 2);
    ASSERT_TRUE(tree);
    const std::string kept = "abcd" + std::string(4, '\0');
    ASSERT_EQ(tree->Insert(Bytes(kept), 8, 5), 0);
    EXPECT_FALSE(tree->BeginSorted(3, 235));
    EXPECT_EQ(tree->LastError(), 301);
    EXPECT_FALSE(tree->BeginSorted(3, 0));
    EXPECT_EQ(tree->LastError(), 302);
    int32_t ref = -1;
    ASSERT_EQ(tree->Find(Bytes(kept), 8, &ref), 0);
    EXPECT_EQ(ref, 5);
    EXPECT_FALSE(tree->AddSorted(Bytes(kept), 1));  // no build begun

    // Fewer entries than announced, and more: the tree ends empty, and usable.
    const Entries entries = RandomEntries(layout, 100, 3);
    Entries sorted = entries;
    std::sort(sorted.begin(), sorted.end(), [&](const auto &a, const auto &b) {
        return CompareKeys(layout, Bytes(a.first), 8, Bytes(b.first), 8) < 0;
    });
    ASSERT_TRUE(tree->BeginSorted(sorted.size() + 1, 8));
    for (const auto &[key, r] : sorted)
        ASSERT_TRUE(tree->AddSorted(Bytes(key), r));
    EXPECT_FALSE(tree->EndSorted());
    EXPECT_EQ(tree->LastError(), 308);
    EXPECT_EQ(tree->Find(Bytes(sorted[0].first), 8, &ref), 1);
    ASSERT_TRUE(tree->BeginSorted(1, 8));
    ASSERT_TRUE(tree->AddSorted(Bytes(sorted[0].first), 1));
    EXPECT_FALSE(tree->AddSorted(Bytes(sorted[1].first), 2));
    EXPECT_EQ(tree->LastError(), 308);
    EXPECT_FALSE(tree->EndSorted());
    EXPECT_EQ(tree->Find(Bytes(sorted[0].first), 8, &ref), 1);
    ASSERT_EQ(tree->Insert(Bytes(kept), 8, 5), 0);
    ASSERT_TRUE(tree->Close());
    testing::FileChecker checker(dir.File("t.i00"),
                                 [&](const std::string &a, const std::string &b) {
                                     return CompareKeys(layout, Bytes(a), 8, Bytes(b), 8);
                                 });
    EXPECT_EQ(checker.Check().entries.size(), 1u);
    EXPECT_EQ(checker.Problems(), 0);
}

}  // namespace
}  // namespace kw::engine
