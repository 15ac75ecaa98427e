// The record store: the file format it writes, block reuse and the free list.
#include "record_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/path.h"

namespace kw::engine {
namespace {

class RecordStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kwstoreXXXXXX";
        dir_ = ::mkdtemp(tmpl);
        path_ = platform::JoinPath(dir_, "KWTEST.dat");
    }
    void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }
    std::string dir_, path_;
};

TEST_F(RecordStoreTest, NewStoreHeader) {
    auto store = RecordStore::Open(path_, 20, 2);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->Header().end, 32);
    EXPECT_TRUE(store->Close());
}

}  // namespace
}  // namespace kw::engine
