// The shared line reader: 128-byte lines, runs of line breaks consumed with the line, a log echo.
#include "line_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kw::import {

namespace {
// Positions travel through an int32; text beyond that range is treated as not there.
constexpr int64_t kPositionLimit = std::numeric_limits<int32_t>::max();

bool IsLineEnd(char c) {
    return c == '\0' || c == '\r' || c == '\n';
}
}  // namespace

LineReader::LineReader(const char *text, int32_t position, ImportLog *log)
    : text_(text), pos_(position < 0 ? 0 : position), lineStart_(pos_), lineEnd_(pos_), log_(log) {
    more_ = At(pos_) != '\0';
}

char LineReader::At(int64_t offset) const {
    return offset >= kPositionLimit ? '\0' : text_[offset];
}

bool LineReader::Next() {
    length_ = 0;
    lineStart_ = pos_;
    blankBefore_ = blankAfter_;
    // The line's bytes: up to CR, LF or the terminator, at most kLineMax of them. The positions
    // never pass kPositionLimit, where the text counts as ended.
    const int64_t copyLimit =
        std::min<int64_t>(pos_ + static_cast<int64_t>(kLineMax), kPositionLimit);
    const char *start = text_ + pos_;
    const char *p = start;
    for (const char *end = text_ + copyLimit; p < end && !IsLineEnd(*p); ++p) {
    }
    length_ = static_cast<size_t>(p - start);
    std::memcpy(line_, start, length_);
    line_[length_] = '\0';
    pos_ += static_cast<int64_t>(length_);
    if (length_ == kLineMax && At(pos_) != '\r') {
        // The rest of an over-long physical line is dropped.
        for (char c = At(pos_); c != '\0' && c != '\n' && c != '\r'; c = At(pos_))
            ++pos_;
    }
    lineEnd_ = pos_;
    int breaks = 0;
    for (char c = At(pos_); c == '\r' || c == '\n'; c = At(pos_)) {
        ++pos_;
        if (c == '\r' && At(pos_) == '\n') ++pos_;
        ++breaks;
    }
    blankAfter_ = breaks > 1 ? breaks - 1 : 0;
    if (log_ != nullptr) log_->Echo(line());
    more_ = At(pos_) != '\0';
    return more_;
}

std::string_view LineReader::wholeLine() const {
    return {text_ + lineStart_, static_cast<size_t>(lineEnd_ - lineStart_)};
}

void LineReader::PutBack() {
    pos_ = lineStart_;
    more_ = At(pos_) != '\0';
}

}  // namespace kw::import
