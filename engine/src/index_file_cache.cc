// An index file read and written through its database's index cache (see index_file_cache.h).
#include "index_file_cache.h"

namespace kw::engine {

std::unique_ptr<IndexFileCache> IndexFileCache::Wrap(
    std::unique_ptr<platform::RandomAccessFile> &file, std::shared_ptr<IndexPageCache> cache,
    bool deferWrites) {
    const int64_t size = file->Size();
    if (size < 0) return nullptr;
    const int32_t number = cache->Attach(file.get(), size, deferWrites);
    return std::unique_ptr<IndexFileCache>(
        new IndexFileCache(std::move(file), std::move(cache), number));
}

IndexFileCache::IndexFileCache(std::unique_ptr<platform::RandomAccessFile> file,
                               std::shared_ptr<IndexPageCache> cache, int32_t number)
    : file_(std::move(file)), cache_(std::move(cache)), number_(number) {}

IndexFileCache::~IndexFileCache() {
    cache_->Detach(number_);
}

int64_t IndexFileCache::ReadAt(int64_t offset, void *buffer, size_t n) {
    return cache_->Read(number_, offset, buffer, n);
}

int64_t IndexFileCache::WriteAt(int64_t offset, const void *buffer, size_t n) {
    return cache_->Write(number_, offset, buffer, n);
}

int64_t IndexFileCache::Size() {
    return cache_->Size(number_);
}

bool IndexFileCache::Sync() {
    const bool written = WriteDirty();
    return file_->Sync() && written;
}

bool IndexFileCache::WriteDirty() {
    return cache_->WriteDirty(number_);
}

}  // namespace kw::engine
