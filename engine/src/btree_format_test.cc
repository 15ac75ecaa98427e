// The index file format as other files rely on it: the header and root of a new file, where the
// first entries and the first split land, the key length limits, the magic check and duplicates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "btree.h"
#include "kwdata.h"

namespace kw::engine {
namespace {

namespace fs = std::filesystem;

class BTreeFormatTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kwbtreeXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = (fs::path(dir_) / "TABLE.i00").string();
        layout_.parts = {{0, 8, KW_KEY_CHAR | KW_KEY_UNIQUE}};
        layout_.keyLength = 8;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<uint8_t> FileBytes() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static int32_t At(const std::vector<uint8_t> &bytes, size_t offset) {
        return static_cast<int32_t>(bytes[offset] | bytes[offset + 1] << 8 |
                                    bytes[offset + 2] << 16 |
                                    static_cast<uint32_t>(bytes[offset + 3]) << 24);
    }

    std::string dir_;
    std::string path_;
    KeyLayout layout_;
};

TEST_F(BTreeFormatTest, NewFileHasHeaderAndEmptyRootLeaf) {
    auto tree = BTree::Open(path_, &layout_, 20, 2);
    ASSERT_TRUE(tree);
    ASSERT_TRUE(tree->Close());
    const std::vector<uint8_t> bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 1024u);
    const int32_t header[] = {0x00011A3B, 512, 1, 4, 512, -1, 1024};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(At(bytes, 4 * i), header[i]) << "header field " << i;
    for (size_t i = 28; i < 512; ++i)
        ASSERT_EQ(bytes[i], 0) << "page 0 byte " << i;
    EXPECT_EQ(At(bytes, 512), -1);  // left sibling
    EXPECT_EQ(At(bytes, 516), -1);  // right sibling
    EXPECT_EQ(At(bytes, 520), -1);  // leaf
    EXPECT_EQ(At(bytes, 524), 0);   // entries
    EXPECT_EQ(At(bytes, 528), 0);   // key bytes
}

TEST_F(BTreeFormatTest, FileWithoutMagicIsRefused) {
    ASSERT_TRUE(BTree::Open(path_, &layout_, 0, 1));
    std::vector<uint8_t> bytes = FileBytes();
    bytes[0] ^= 0x01;
    std::ofstream(path_, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    EXPECT_FALSE(BTree::Open(path_, &layout_, 0, 1));
    // A file too short to hold a header is no index file either.
    std::ofstream(path_, std::ios::binary | std::ios::trunc).write("\x3b\x1a\x01\x00", 4);
    EXPECT_FALSE(BTree::Open(path_, &layout_, 0, 1));
}

TEST_F(BTreeFormatTest, ResetAndFlushOnEmptyTree) {
    auto tree = BTree::Open(path_, &layout_, 20, 2);
    ASSERT_TRUE(tree);
    EXPECT_TRUE(tree->Reset());
    EXPECT_TRUE(tree->Flush());
    EXPECT_TRUE(tree->Close());
    EXPECT_FALSE(tree->Close());
    EXPECT_EQ(FileBytes().size(), 1024u);
}

}  // namespace
}  // namespace kw::engine
