// The level directory: searches that start where it says give exactly what searches from the root
// give (result, record reference, cursor placement for Next and Prev, error codes), over random
// trees of a non-unique case-blind index with many equal names, while inserts, deletes, a bulk
// build and a reset between the searches leave it behind; kAuto builds it only for searches that
// run unchanged;
// a HasKey served by it leaves no stale path to the Insert after it; damaged pages give the codes
// they always gave; the directory itself refuses bounds that do not ascend and growth past its
// limit.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "btree.h"
#include "btree_test_support.h"
#include "kwdata.h"
#include "level_directory.h"

namespace kw::engine {
namespace {

using testing::Int32At;
using testing::PutInt32;
using testing::ReadBytes;
using testing::WriteBytes;

constexpr int32_t kNameLength = 40;
constexpr int32_t kKeyLength = kNameLength + 4;

// NAME (40 bytes, case-blind) and the U field, as a non-unique index lays out its keys.
KeyLayout NonUniqueLayout() {
    KeyLayout layout;
    const int32_t flags = KW_KEY_CHAR | KW_KEY_NOCASE;
    layout.parts = {{0, kNameLength, flags}, {kNameLength, 4, flags | KW_KEY_SERIAL}};
    layout.keyLength = kKeyLength;
    layout.perPartCompare = true;
    layout.flags = flags;
    return layout;
}

std::string MakeKey(const std::string &name, uint32_t serial) {
    std::string key(kKeyLength, '\0');
    key.replace(0, std::min<size_t>(name.size(), kNameLength), name, 0, kNameLength);
    for (int i = 0; i < 4; ++i)
        key[kNameLength + i] = static_cast<char>(serial >> (8 * i));
    return key;
}

const uint8_t *Bytes(const std::string &s) {
    return reinterpret_cast<const uint8_t *>(s.data());
}

// Names that share long prefixes and differ in case, so bounds tie on their sort prefix.
std::string RandomName(std::mt19937 &random) {
    static const char *kStems[] = {"apple pie with a long name",
                                   "APPLE PIE WITH A LONG NAME",
                                   "Apple pie with a long nam",
                                   "beef stew",
                                   "Beef Stew",
                                   "zz"};
    std::string name = kStems[random() % 6];
    name += static_cast<char>('a' + random() % 3);
    return name;
}

// What one search gives, and what Next and Prev give after it.
struct Seen {
    int find = 0;
    int32_t ref = 0;
    int next = 0;
    std::string nextKey;
    int32_t nextRef = 0;
    int prev = 0;
    std::string prevKey;
    int32_t prevRef = 0;
    int32_t error = 0;

    bool operator==(const Seen &o) const {
        return find == o.find && ref == o.ref && next == o.next && nextKey == o.nextKey &&
               nextRef == o.nextRef && prev == o.prev && prevKey == o.prevKey &&
               prevRef == o.prevRef && error == o.error;
    }
};

Seen Search(BTree &tree, const std::string &key) {
    Seen seen;
    uint8_t out[kMaxKeyBuffer];
    int32_t length = 0;
    seen.find = tree.Find(Bytes(key), kKeyLength, &seen.ref);
    if (seen.find != 0) seen.ref = 0;
    seen.next = tree.Next(out, &length, &seen.nextRef);
    seen.nextKey.assign(reinterpret_cast<char *>(out), seen.next == 0 ? length : 0);
    tree.Find(Bytes(key), kKeyLength, nullptr);
    seen.prev = tree.Prev(out, &length, &seen.prevRef);
    seen.prevKey.assign(reinterpret_cast<char *>(out), seen.prev == 0 ? length : 0);
    seen.error = tree.LastError();
    return seen;
}

// The same search from the root and through the directory.
void ExpectSameSearch(BTree &tree, const std::string &key) {
    tree.SetLevelDirectoryUse(BTree::LevelDirectoryUse::kNever);
    const Seen root = Search(tree, key);
    tree.SetLevelDirectoryUse(BTree::LevelDirectoryUse::kAlways);
    const Seen directory = Search(tree, key);
    EXPECT_TRUE(root == directory) << "key " << key.substr(0, kNameLength);
}

struct ModelLess {
    const KeyLayout *layout;
    bool operator()(const std::string &a, const std::string &b) const {
        return CompareKeys(*layout, Bytes(a), static_cast<int32_t>(a.size()), Bytes(b),
                           static_cast<int32_t>(b.size())) < 0;
    }
};

class LevelDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok());
        path_ = dir_.File("LEVELS.i01");
    }
    std::unique_ptr<BTree> Open() { return BTree::Open(path_, &layout_, 20, 2); }

    testing::TempDir dir_;
    std::string path_;
    KeyLayout layout_ = NonUniqueLayout();
};

TEST_F(LevelDirectoryTest, SearchesThroughTheDirectoryMatchSearchesFromTheRoot) {
    auto tree = Open();
    ASSERT_TRUE(tree);
    std::mt19937 random(7);
    std::map<std::string, int32_t, ModelLess> model(ModelLess{&layout_});
    uint32_t serial = 1;
    for (int round = 0; round < 12; ++round) {
        // Changes between the rounds leave the directory of the round before behind.
        for (int i = 0; i < 400; ++i) {
            if (model.empty() || random() % 4 != 0) {
                const std::string key = MakeKey(RandomName(random), serial++);
                ASSERT_EQ(tree->Insert(Bytes(key), kKeyLength, static_cast<int32_t>(serial)), 0);
                model[key] = static_cast<int32_t>(serial);
            } else {
                auto it = model.begin();
                std::advance(it, random() % model.size());
                ASSERT_EQ(tree->Delete(Bytes(it->first), kKeyLength), 0);
                model.erase(it);
            }
        }
        EXPECT_EQ(tree->LevelDirectoryDepth(), 0);
        for (int i = 0; i < 150; ++i) {
            std::string key;
            switch (random() % 4) {
                case 0: {  // a stored key
                    auto it = model.begin();
                    std::advance(it, random() % model.size());
                    key = it->first;
                    break;
                }
                case 1:  // the first of its name, as a non-unique lookup asks
                    key = MakeKey(RandomName(random), 0);
                    break;
                case 2:  // a name between the stored ones, or above every one
                    key = MakeKey(RandomName(random) + "m", random() % serial);
                    break;
                default:  // below every key
                    key = MakeKey("", random() % 3);
                    break;
            }
            ExpectSameSearch(*tree, key);
            int32_t ref = 0;
            const auto it = model.find(key);
            EXPECT_EQ(tree->Find(Bytes(key), kKeyLength, &ref), it == model.end() ? 1 : 0);
            if (it != model.end()) {
                EXPECT_EQ(ref, it->second);
            }
        }
        // kAlways builds it down to the leaves.
        EXPECT_GE(tree->LevelDirectoryDepth(), 2);
        EXPECT_GT(tree->LevelDirectoryBytes(), 0u);
    }
    ASSERT_TRUE(tree->Close());
}

TEST_F(LevelDirectoryTest, AutoBuildsOnlyForSearchesWithNoChangeBetween) {
    auto tree = Open();
    ASSERT_TRUE(tree);
    std::mt19937 random(11);
    std::vector<std::string> keys;
    // An import: a probe and an insert for every key never builds one.
    for (uint32_t i = 0; i < 3000; ++i) {
        keys.push_back(MakeKey(RandomName(random) + std::to_string(i), i));
        ASSERT_EQ(tree->HasKey(Bytes(keys.back()), kKeyLength), 1);
        ASSERT_EQ(tree->Insert(Bytes(keys.back()), kKeyLength, static_cast<int32_t>(i)), 0);
        ASSERT_EQ(tree->LevelDirectoryDepth(), 0);
    }
    int32_t deepest = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string &key = keys[random() % keys.size()];
        int32_t ref = -1;
        ASSERT_EQ(tree->Find(Bytes(key), kKeyLength, &ref), 0);
        ASSERT_EQ(ref, static_cast<int32_t>(&key - keys.data()));
        deepest = std::max(deepest, tree->LevelDirectoryDepth());
    }
    EXPECT_GT(deepest, 0);
    // Any change leaves it behind at once.
    ASSERT_EQ(tree->Delete(Bytes(keys[0]), kKeyLength), 0);
    EXPECT_EQ(tree->LevelDirectoryDepth(), 0);
    EXPECT_EQ(tree->LevelDirectoryBytes(), 0u);
    ASSERT_TRUE(tree->Close());
}

TEST_F(LevelDirectoryTest, InsertAfterAProbeServedByTheDirectoryDescendsAgain) {
    auto tree = Open();
    ASSERT_TRUE(tree);
    tree->SetLevelDirectoryUse(BTree::LevelDirectoryUse::kAlways);
    std::mt19937 random(3);
    std::vector<std::string> keys;
    // Each probe is served by a directory built since the last insert; the insert after it
    // splits pages up the path, which it must take from a descent of its own.
    for (uint32_t i = 0; i < 1500; ++i) {
        keys.push_back(MakeKey(RandomName(random), i + 1));
        ASSERT_EQ(tree->HasKey(Bytes(keys.back()), kKeyLength), 1);
        ASSERT_EQ(tree->Insert(Bytes(keys.back()), kKeyLength, static_cast<int32_t>(i)), 0);
        ASSERT_EQ(tree->HasKey(Bytes(keys[i / 2]), kKeyLength), 0);
        ASSERT_EQ(tree->Insert(Bytes(keys[i / 2]), kKeyLength, 0), -1);
        ASSERT_EQ(tree->LastError(), 303);
    }
    ASSERT_TRUE(tree->First());
    uint8_t key[kMaxKeyBuffer];
    int32_t length, ref;
    std::string previous;
    size_t count = 0;
    while (tree->Next(key, &length, &ref) == 0) {
        const std::string current(reinterpret_cast<char *>(key), static_cast<size_t>(length));
        if (count > 0) {
            EXPECT_LT(CompareKeys(layout_, Bytes(previous), length, key, length), 0);
        }
        previous = current;
        ++count;
    }
    EXPECT_EQ(count, keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        ASSERT_EQ(tree->Find(Bytes(keys[i]), kKeyLength, &ref), 0);
        EXPECT_EQ(ref, static_cast<int32_t>(i));
    }
    ASSERT_TRUE(tree->Close());
}

TEST_F(LevelDirectoryTest, BulkBuildAndResetLeaveTheDirectoryBehind) {
    auto tree = Open();
    ASSERT_TRUE(tree);
    tree->SetLevelDirectoryUse(BTree::LevelDirectoryUse::kAlways);
    std::vector<std::string> first, second;
    for (uint32_t i = 0; i < 2000; ++i) {
        first.push_back(MakeKey("first " + std::to_string(10000 + i), i));
        second.push_back(MakeKey("second " + std::to_string(10000 + i), i));
        ASSERT_EQ(tree->Insert(Bytes(first.back()), kKeyLength, static_cast<int32_t>(i)), 0);
    }
    int32_t ref = 0;
    ASSERT_EQ(tree->Find(Bytes(first[5]), kKeyLength, &ref), 0);
    ASSERT_GT(tree->LevelDirectoryDepth(), 0);

    // The same pages now hold other keys: a directory of the old ones would send searches astray.
    ASSERT_TRUE(tree->BeginSorted(second.size(), kKeyLength));
    for (size_t i = 0; i < second.size(); ++i)
        ASSERT_TRUE(tree->AddSorted(Bytes(second[i]), static_cast<int32_t>(i + 7)));
    ASSERT_TRUE(tree->EndSorted());
    for (size_t i = 0; i < second.size(); i += 97) {
        ASSERT_EQ(tree->Find(Bytes(second[i]), kKeyLength, &ref), 0);
        EXPECT_EQ(ref, static_cast<int32_t>(i + 7));
        EXPECT_EQ(tree->Find(Bytes(first[i]), kKeyLength, &ref), 1);
        ExpectSameSearch(*tree, first[i]);
    }
    EXPECT_GT(tree->LevelDirectoryDepth(), 0);

    ASSERT_TRUE(tree->Reset());
    EXPECT_EQ(tree->LevelDirectoryDepth(), 0);
    EXPECT_EQ(tree->Find(Bytes(second[0]), kKeyLength, &ref), 1);
    ASSERT_TRUE(tree->Close());
}

// The first page at depth along the first children, in the file's bytes.
int32_t FirstPageAt(const std::vector<uint8_t> &bytes, int32_t depth) {
    int32_t page = Int32At(bytes, 16);
    for (int32_t d = 0; d < depth; ++d) {
        const int32_t k = Int32At(bytes, static_cast<size_t>(page) + 16);
        const int32_t n = Int32At(bytes, static_cast<size_t>(page) + 12);
        page = Int32At(bytes, static_cast<size_t>(page) + 20 + k + 4 * n);
    }
    return page;
}

TEST_F(LevelDirectoryTest, DamagedPagesGiveTheCodesOfASearchFromTheRoot) {
    std::vector<std::string> keys;
    {
        auto tree = Open();
        ASSERT_TRUE(tree);
        for (uint32_t i = 0; i < 1200; ++i) {
            keys.push_back(MakeKey("name " + std::to_string(i * 7919 % 1200), i));
            ASSERT_EQ(tree->Insert(Bytes(keys.back()), kKeyLength, static_cast<int32_t>(i)), 0);
        }
        ASSERT_TRUE(tree->Close());
    }
    const std::vector<uint8_t> pristine = ReadBytes(path_);
    const int32_t levels = Int32At(pristine, 8);
    ASSERT_GE(levels, 4);
    // A leaf, the lowest inner level and the level below the root, each with a count no page holds
    // (308), and a child naming no page of the file (304).
    struct Damage {
        int32_t depth;
        size_t field;
        int32_t value;
    };
    const Damage damages[] = {
        {levels - 1, 12, 1000}, {levels - 2, 12, 1000}, {1, 12, 1000}, {levels - 2, 8, 1 << 30}};
    for (const Damage &damage : damages) {
        std::vector<uint8_t> bytes = pristine;
        PutInt32(bytes, static_cast<size_t>(FirstPageAt(pristine, damage.depth)) + damage.field,
                 damage.value);
        WriteBytes(path_, bytes);
        auto tree = Open();
        ASSERT_TRUE(tree);
        int failures = 0;
        for (const std::string &key : keys) {
            tree->SetLevelDirectoryUse(BTree::LevelDirectoryUse::kNever);
            int32_t rootRef = 0, directoryRef = 0;
            const int root = tree->Find(Bytes(key), kKeyLength, &rootRef);
            const int32_t rootError = tree->LastError();
            tree->SetLevelDirectoryUse(BTree::LevelDirectoryUse::kAlways);
            const int directory = tree->Find(Bytes(key), kKeyLength, &directoryRef);
            ASSERT_EQ(root, directory) << "depth " << damage.depth;
            ASSERT_EQ(rootError, tree->LastError());
            if (root == 0) {
                ASSERT_EQ(rootRef, directoryRef);
            }
            failures += root < 0;
        }
        EXPECT_GT(failures, 0) << "depth " << damage.depth;
    }
}

TEST(LevelDirectoryBoundsTest, RefusesBoundsOutOfOrderOfAnotherLengthOrPastTheLimit) {
    const KeyLayout layout = NonUniqueLayout();
    const std::string a = MakeKey("apple", 1), b = MakeKey("APPLE", 2), c = MakeKey("beef", 0);
    LevelDirectory directory;

    directory.Begin(layout, 1 << 20, 100);
    EXPECT_TRUE(directory.Add(Bytes(a), kKeyLength, 512));
    EXPECT_FALSE(directory.Add(Bytes(a), kKeyLength, 1024));  // equal, not above
    directory.End(1536);
    EXPECT_FALSE(directory.Complete());

    directory.Begin(layout, 1 << 20, 100);
    EXPECT_TRUE(directory.Add(Bytes(b), kKeyLength, 512));
    EXPECT_FALSE(directory.Add(Bytes(c), kKeyLength - 1, 1024));

    directory.Begin(layout, 2 * (kKeyLength + 20), 100);
    EXPECT_TRUE(directory.Add(Bytes(a), kKeyLength, 512));
    EXPECT_TRUE(directory.Add(Bytes(b), kKeyLength, 1024));
    EXPECT_FALSE(directory.Add(Bytes(c), kKeyLength, 1536));

    // Case-blind: "apple" serial 1 < "APPLE" serial 2 < "beef"; equal to a bound goes to its page.
    directory.Begin(layout, 1 << 20, 100);
    ASSERT_TRUE(directory.Add(Bytes(a), kKeyLength, 512));
    ASSERT_TRUE(directory.Add(Bytes(b), kKeyLength, 1024));
    directory.End(1536);
    ASSERT_TRUE(directory.Complete());
    const std::string probes[] = {MakeKey("APPLE", 1), MakeKey("apple", 0), MakeKey("apple", 2),
                                  MakeKey("apple", 3), c};
    const int32_t pages[] = {512, 512, 1024, 1536, 1536};
    for (size_t i = 0; i < std::size(probes); ++i) {
        const SearchKey key(layout, Bytes(probes[i]), kKeyLength);
        EXPECT_EQ(directory.Find(key), pages[i]) << i;
    }
}

}  // namespace
}  // namespace kw::engine
