// The index file format as other files rely on it: the header and root of a new file, where the
// first entries and the first split land, the key length limits, the magic check, duplicates,
// the cursor at both ends, reset, and write-through against deferred pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "btree.h"
#include "btree_test_support.h"
#include "kwdata.h"

namespace kw::engine {
namespace {

using testing::Bytes;
using testing::Int32At;
using testing::PutInt32;
using testing::ReadBytes;
using testing::ReadHeader;
using testing::SeqKey;
using testing::WriteBytes;

class BTreeFormatTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok());
        path_ = dir_.File("TABLE.i00");
        layout_.parts = {{0, 8, KW_KEY_CHAR | KW_KEY_UNIQUE}};
        layout_.keyLength = 8;
    }

    // The header of a new or reset file: one level, the root leaf at 512, no free pages.
    static void ExpectNewHeader(const std::vector<uint8_t> &bytes) {
        const int32_t header[] = {0x00011A3B, 512, 1, 4, 512, -1, 1024};
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(Int32At(bytes, 4 * i), header[i]) << "field " << i;
    }

    int InsertKey(BTree &tree, int i) { return tree.Insert(Bytes(SeqKey(i)), 8, 1000 + i); }

    testing::TempDir dir_;
    std::string path_;
    KeyLayout layout_;
};

TEST_F(BTreeFormatTest, NewFileHasHeaderAndEmptyRootLeaf) {
    auto tree = BTree::Open(path_, &layout_, 20, 2);
    ASSERT_TRUE(tree);
    ASSERT_TRUE(tree->Close());
    const std::vector<uint8_t> bytes = ReadBytes(path_);
    ASSERT_EQ(bytes.size(), 1024u);
    ExpectNewHeader(bytes);
    for (size_t i = 28; i < 512; ++i)
        ASSERT_EQ(bytes[i], 0) << "page 0 byte " << i;
    const int32_t leaf[] = {-1, -1, -1, 0, 0};  // siblings, leaf, no entries, no key bytes
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Int32At(bytes, 512 + 4 * i), leaf[i]) << "field " << i;
}

TEST_F(BTreeFormatTest, FirstEntryLivesInTheRootLeafAtOffset512) {
    auto tree = BTree::Open(path_, &layout_, 20, 2);
    ASSERT_TRUE(tree);
    ASSERT_EQ(tree->Insert(Bytes("ABCDEFGH"), 8, 77), 0);
    ASSERT_TRUE(tree->Close());
    const std::vector<uint8_t> bytes = ReadBytes(path_);
    EXPECT_EQ(bytes.size(), 1024u);
    EXPECT_EQ(Int32At(bytes, 16), 512);  // root
    EXPECT_EQ(Int32At(bytes, 8), 1);     // levels
    EXPECT_EQ(Int32At(bytes, 512 + 12), 1);
    EXPECT_EQ(Int32At(bytes, 512 + 16), 8);
    EXPECT_EQ(std::string(bytes.begin() + 532, bytes.begin() + 540), "ABCDEFGH");
    EXPECT_EQ(Int32At(bytes, 540), 8);   // end offset of key 0
    EXPECT_EQ(Int32At(bytes, 544), 77);  // its record reference
}

TEST_F(BTreeFormatTest, FirstSplitMakesLevelsTwoAndAppendsTwoPagesSoTheRootMoves) {
    auto tree = BTree::Open(path_, &layout_, 20, 2);
    ASSERT_TRUE(tree);
    // 8-byte keys: a page takes 30 entries (K + 8n + 8 + 28 < 512); the 31st splits it.
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(InsertKey(*tree, i), 0);
    EXPECT_EQ(ReadHeader(path_).end, 1024);
    ASSERT_EQ(InsertKey(*tree, 30), 0);
    ASSERT_TRUE(tree->Flush());
    const std::vector<uint8_t> bytes = ReadBytes(path_);
    EXPECT_EQ(Int32At(bytes, 8), 2);      // levels
    EXPECT_EQ(Int32At(bytes, 16), 1536);  // the new root, appended after the new left half
    EXPECT_EQ(Int32At(bytes, 24), 2048);  // end: two pages appended
    // Split rule: entry j = 15 is the first with 8(j+1) + 8j + 20 > 256: left 0..15, right 16..30.
    const int32_t left = 1024, right = 512, root = 1536;
    // Left and right sibling, rightmost child (-1: a leaf) and entry count of each page.
    const struct {
        int32_t page, left, right, child, count;
    } pages[] = {{left, -1, right, -1, 16}, {right, left, -1, -1, 15}, {root, -1, -1, right, 1}};
    for (const auto &p : pages) {
        SCOPED_TRACE(p.page);
        EXPECT_EQ(Int32At(bytes, p.page + 0), p.left);
        EXPECT_EQ(Int32At(bytes, p.page + 4), p.right);
        EXPECT_EQ(Int32At(bytes, p.page + 8), p.child);
        EXPECT_EQ(Int32At(bytes, p.page + 12), p.count);
    }
    EXPECT_EQ(std::string(bytes.begin() + right + 20, bytes.begin() + right + 28), SeqKey(16));
    EXPECT_EQ(std::string(bytes.begin() + root + 20, bytes.begin() + root + 28), SeqKey(15));
    EXPECT_EQ(Int32At(bytes, root + 32), left);  // value of the separator: the left half
    ASSERT_TRUE(tree->Close());
}

TEST_F(BTreeFormatTest, KeysOf234BytesAreAcceptedAnd235Give301) {
    KeyLayout bytewise;  // no per-part comparison: any key length
    auto tree = BTree::Open(path_, &bytewise, 20, 2);
    ASSERT_TRUE(tree);
    std::string key(235, 'x');
    for (int i = 0; i < 40; ++i) {
        key[0] = static_cast<char>('A' + i);
        ASSERT_EQ(tree->Insert(Bytes(key), 234, i), 0) << "error " << tree->LastError();
    }
    int32_t ref = 0;
    EXPECT_EQ(tree->Insert(Bytes(key), 235, 1), -1);
    EXPECT_EQ(tree->LastError(), 301);
    EXPECT_EQ(tree->Find(Bytes(key), 235, &ref), -1);
    EXPECT_EQ(tree->LastError(), 301);
    EXPECT_EQ(tree->Delete(Bytes(key), 235), -1);
    EXPECT_EQ(tree->LastError(), 301);
    for (int32_t bad : {0, -1}) {
        EXPECT_EQ(tree->Insert(Bytes(key), bad, 1), -1);
        EXPECT_EQ(tree->LastError(), 302);
        EXPECT_EQ(tree->Find(Bytes(key), bad, &ref), -1);
        EXPECT_EQ(tree->LastError(), 302);
    }
    key[0] = 'A';
    EXPECT_EQ(tree->Find(Bytes(key), 234, &ref), 0);
    EXPECT_EQ(ref, 0);
    EXPECT_GE(ReadHeader(path_).levels, 3);  // two keys per page: the tree is deep
}

TEST_F(BTreeFormatTest, FileWithoutTheMagicIsRefused) {
    ASSERT_TRUE(BTree::Open(path_, &layout_, 0, 1));
    std::vector<uint8_t> bytes = ReadBytes(path_);
    bytes[0] ^= 0x01;
    WriteBytes(path_, bytes);
    EXPECT_FALSE(BTree::Open(path_, &layout_, 0, 1));
    // Nor is a file too short to hold a header, nor one with an impossible page size.
    WriteBytes(path_, {0x3b, 0x1a, 0x01, 0x00});
    EXPECT_FALSE(BTree::Open(path_, &layout_, 0, 1));
    bytes[0] ^= 0x01;
    PutInt32(bytes, 4, 8);
    WriteBytes(path_, bytes);
    EXPECT_FALSE(BTree::Open(path_, &layout_, 0, 1));
}

TEST_F(BTreeFormatTest, DuplicateInsertGives303AndLeavesTheTreeUnchanged) {
    layout_.parts[0].flags |= KW_KEY_NOCASE;
    layout_.perPartCompare = true;
    auto tree = BTree::Open(path_, &layout_, 20, 2);
    ASSERT_TRUE(tree);
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(InsertKey(*tree, i), 0);
    ASSERT_TRUE(tree->Flush());
    const std::vector<uint8_t> before = ReadBytes(path_);
    EXPECT_EQ(tree->Insert(Bytes(SeqKey(250)), 8, 5), -1);
    EXPECT_EQ(tree->LastError(), 303);
    EXPECT_EQ(tree->Insert(Bytes("K0000250"), 8, 5), -1);  // equal without regard to case
    EXPECT_EQ(tree->LastError(), 303);
    ASSERT_TRUE(tree->Flush());
    EXPECT_EQ(ReadBytes(path_), before);
    int32_t ref = 0;
    EXPECT_EQ(tree->Find(Bytes("K0000250"), 8, &ref), 0);
    EXPECT_EQ(ref, 1250);
}

TEST_F(BTreeFormatTest, NextAfterTheLastGives2AndPreviousThenGivesTheLast) {
    auto tree = BTree::Open(path_, &layout_, 20, 2);
    ASSERT_TRUE(tree);
    uint8_t key[kMaxKeyBuffer];
    int32_t length = -1, ref = -1;
    // Empty tree: nothing either way.
    EXPECT_EQ(tree->Next(key, &length, &ref), 2);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(ref, 0);
    EXPECT_EQ(tree->Prev(key, &length, &ref), 3);
    ASSERT_TRUE(tree->Last());
    EXPECT_EQ(tree->Prev(key, &length, &ref), 3);

    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(InsertKey(*tree, i), 0);
    ASSERT_TRUE(tree->Last());
    ASSERT_EQ(tree->Prev(key, &length, &ref), 0);
    EXPECT_EQ(ref, 1299);
    ASSERT_EQ(tree->Next(key, &length, &ref), 2);
    ASSERT_EQ(tree->Next(key, &length, &ref), 2);  // stays past the end
    ASSERT_EQ(tree->Prev(key, &length, &ref), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(key), size_t(length)), SeqKey(299));
    EXPECT_EQ(ref, 1299);

    // The mirror image at the start.
    ASSERT_TRUE(tree->First());
    ASSERT_EQ(tree->Prev(key, &length, &ref), 3);
    ASSERT_EQ(tree->Prev(key, &length, &ref), 3);
    ASSERT_EQ(tree->Next(key, &length, &ref), 0);
    EXPECT_EQ(ref, 1000);

    // Find puts the cursor on the entry; a missing key leaves it just before its place.
    ASSERT_EQ(tree->Find(Bytes(SeqKey(100)), 8, &ref), 0);
    ASSERT_EQ(tree->Next(key, &length, &ref), 0);
    EXPECT_EQ(ref, 1101);
    ASSERT_EQ(tree->Find(Bytes("k0000100x"), 8, &ref), 0);  // only 8 bytes count
    ASSERT_EQ(tree->Find(Bytes("k0000099z"), 9, &ref), 1);
    ASSERT_EQ(tree->Next(key, &length, &ref), 0);
    EXPECT_EQ(ref, 1100);
    ASSERT_EQ(tree->Find(Bytes("k0000099z"), 9, &ref), 1);
    ASSERT_EQ(tree->Prev(key, &length, &ref), 0);
    EXPECT_EQ(ref, 1098);  // the cursor sat on 99, as if it had been returned
}

TEST_F(BTreeFormatTest, ResetEmptiesTheTreeWithoutShorteningTheFile) {
    auto tree = BTree::Open(path_, &layout_, 20, 2);
    ASSERT_TRUE(tree);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(InsertKey(*tree, i), 0);
    ASSERT_TRUE(tree->Flush());
    const size_t size = ReadBytes(path_).size();
    ASSERT_TRUE(tree->Reset());
    ASSERT_TRUE(tree->Flush());
    const std::vector<uint8_t> bytes = ReadBytes(path_);
    EXPECT_EQ(bytes.size(), size);
    ExpectNewHeader(bytes);
    EXPECT_EQ(Int32At(bytes, 512 + 8), -1);
    EXPECT_EQ(Int32At(bytes, 512 + 12), 0);
    uint8_t key[kMaxKeyBuffer];
    int32_t length, ref;
    EXPECT_EQ(tree->Next(key, &length, &ref), 2);
    // The tree grows again from the start of the file.
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(InsertKey(*tree, i), 0);
    ASSERT_TRUE(tree->First());
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(tree->Next(key, &length, &ref), 0);
        ASSERT_EQ(ref, 1000 + i);
    }
}

TEST_F(BTreeFormatTest, WriteThroughWritesAtOnceAndDeferredWaitsForFlush) {
    for (int32_t mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        std::filesystem::remove(path_);
        auto tree = BTree::Open(path_, &layout_, 20, mode);
        ASSERT_TRUE(tree);
        ASSERT_EQ(InsertKey(*tree, 1), 0);
        EXPECT_EQ(Int32At(ReadBytes(path_), 512 + 12), mode == 2 ? 0 : 1);
        // The header never waits: the split's new root is on disk at once in every mode.
        for (int i = 2; i <= 31; ++i)
            ASSERT_EQ(InsertKey(*tree, i), 0);
        EXPECT_EQ(ReadHeader(path_).levels, 2);
        ASSERT_TRUE(tree->Flush());
        EXPECT_EQ(Int32At(ReadBytes(path_), 512 + 12), 15);
        ASSERT_TRUE(tree->Close());
    }
}

TEST_F(BTreeFormatTest, FilesWithOtherPageSizesAreUsedWithTheirOwnSize) {
    // A 1024-byte-page file made by hand: header, empty root leaf at 1024.
    std::vector<uint8_t> bytes(2048, 0);
    const int32_t header[] = {0x00011A3B, 1024, 1, 4, 1024, -1, 2048};
    for (int i = 0; i < 7; ++i)
        PutInt32(bytes, 4 * i, header[i]);
    for (int i = 0; i < 3; ++i)
        PutInt32(bytes, 1024 + 4 * i, -1);
    WriteBytes(path_, bytes);
    auto tree = BTree::Open(path_, &layout_, 20, 2);
    ASSERT_TRUE(tree);
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(InsertKey(*tree, (i * 7919) % 2000), 0);
    ASSERT_TRUE(tree->Flush());
    EXPECT_EQ(ReadHeader(path_).end % 1024, 0);
    EXPECT_EQ(ReadHeader(path_).levels, 2);  // 1024-byte pages hold twice the entries
    uint8_t key[kMaxKeyBuffer];
    int32_t length, ref;
    ASSERT_TRUE(tree->First());
    for (int i = 0; i < 2000; ++i) {
        ASSERT_EQ(tree->Next(key, &length, &ref), 0);
        ASSERT_EQ(ref, 1000 + i);
    }
    // The key limit follows the page size, but never passes the 255-byte key buffer.
    const std::string longKey(256, 'z');
    EXPECT_EQ(tree->Insert(Bytes(longKey), 255, 1), 0);
    EXPECT_EQ(tree->Insert(Bytes(longKey), 256, 1), -1);
    EXPECT_EQ(tree->LastError(), 301);
}

}  // namespace
}  // namespace kw::engine
