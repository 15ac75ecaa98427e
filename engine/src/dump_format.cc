// The dump checksum and the buffered sequential writer and reader of dump files.
#include "dump_format.h"

#include <algorithm>
#include <cstring>

#include "store_layout.h"

namespace kw::engine {
namespace {

constexpr size_t kBufferSize = 64 * 1024;

}  // namespace

uint16_t DumpChecksum(const uint8_t *bytes, size_t length) {
    int32_t a = 0;
    int32_t b = 0;
    for (size_t i = 0; i < length; ++i) {
        a = (a + static_cast<int8_t>(bytes[i])) % 255;
        b = (b + a) % 255;
    }
    return static_cast<uint16_t>(static_cast<uint32_t>(b * 256 + a));
}

DumpWriter::DumpWriter(platform::RandomAccessFile &file) : file_(file) {
    buffer_.reserve(kBufferSize);
}

void DumpWriter::Drain() {
    if (!ok_ || buffer_.empty()) return;
    const int64_t written = file_.WriteAt(offset_, buffer_.data(), buffer_.size());
    ok_ = written == static_cast<int64_t>(buffer_.size());
    offset_ += static_cast<int64_t>(buffer_.size());
    buffer_.clear();
}

void DumpWriter::Put(const void *bytes, size_t length) {
    const auto *p = static_cast<const uint8_t *>(bytes);
    while (ok_ && length > 0) {
        const size_t n = std::min(length, kBufferSize - buffer_.size());
        buffer_.insert(buffer_.end(), p, p + n);
        p += n;
        length -= n;
        if (buffer_.size() == kBufferSize) Drain();
    }
}

void DumpWriter::PutInt32(int32_t value) {
    uint8_t raw[4];
    kw::engine::PutInt32(raw, value);
    Put(raw, sizeof raw);
}

void DumpWriter::PutUint16(uint16_t value) {
    const uint8_t raw[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    Put(raw, sizeof raw);
}

bool DumpWriter::Finish() {
    Drain();
    if (ok_) ok_ = file_.Sync();
    return ok_;
}

DumpReader::DumpReader(platform::RandomAccessFile &file) : file_(file), buffer_(kBufferSize) {}

bool DumpReader::Fill() {
    const int64_t got = file_.ReadAt(offset_, buffer_.data(), buffer_.size());
    if (got <= 0) return ok_ = false;
    offset_ += got;
    position_ = 0;
    filled_ = static_cast<size_t>(got);
    return true;
}

bool DumpReader::Get(void *out, size_t length) {
    auto *p = static_cast<uint8_t *>(out);
    while (ok_ && length > 0) {
        if (position_ == filled_ && !Fill()) break;
        const size_t n = std::min(length, filled_ - position_);
        std::memcpy(p, buffer_.data() + position_, n);
        position_ += n;
        p += n;
        length -= n;
    }
    return ok_;
}

bool DumpReader::GetInt32(int32_t *value) {
    uint8_t raw[4];
    if (!Get(raw, sizeof raw)) return false;
    *value = kw::engine::GetInt32(raw);
    return true;
}

bool DumpReader::GetUint16(uint16_t *value) {
    uint8_t raw[2];
    if (!Get(raw, sizeof raw)) return false;
    *value = static_cast<uint16_t>(raw[0] | raw[1] << 8);
    return true;
}

}  // namespace kw::engine
