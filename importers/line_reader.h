// The line reader every filter and detector reads its text through. It walks a NUL-terminated
// text from a byte position, one line at a time:
//
//   - a line is the bytes up to CR, LF or NUL, at most 128 of them; the rest of a longer physical
//     line is dropped;
//   - the run of CR and LF bytes after a line is consumed with it, so empty lines never come back
//     as lines of their own (a line holding only blanks does). How many empty lines a run held
//     is kept, for the filters that treat an empty line as a boundary;
//   - every line read is echoed to the import log as ">> line\r\n".
//
// Method text is the one place where the rest of a long line matters: wholeLine() gives the
// complete physical line (a view into the text) for the filters to take method lines whole.
//
// Next() returns false when the line it just read was the last one of the text (the byte at the
// new position is the terminator); the filters stop there. Reading on at the end gives empty
// lines. The reader never reads past the terminator and never moves beyond the int32 range of
// the positions the caller keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "import_log.h"

namespace kw::import {

class LineReader {
  public:
    static constexpr size_t kLineMax = 128;

    // text must be NUL-terminated and position must lie inside it. log may be null (detectors).
    LineReader(const char *text, int32_t position, ImportLog *log);

    // Reads the next line; false when it was the last line of the text.
    bool Next();

    std::string_view line() const { return {line_, length_}; }
    size_t length() const { return length_; }
    bool empty() const { return length_ == 0; }
    // The complete physical line the current line was cut from (equal to line() when it held
    // at most 128 bytes); a view into the text, valid as long as the text.
    std::string_view wholeLine() const;
    // Whether the last Next() found more text after its line (true before the first read when
    // text remains).
    bool more() const { return more_; }

    // Empty lines that stood between the previous line and the current one.
    int blankLinesBefore() const { return blankBefore_; }
    // Empty lines consumed after the current line.
    int blankLinesAfter() const { return blankAfter_; }

    // Byte offset just past everything consumed so far.
    int32_t position() const { return static_cast<int32_t>(pos_); }

    // Hands the current line back: the position returns to its first byte, so the next reader
    // (the next filter call) starts with it. Used when a line turns out to begin the next recipe.
    void PutBack();

  private:
    char At(int64_t offset) const;

    const char *text_;
    int64_t pos_;
    int64_t lineStart_;
    int64_t lineEnd_;
    ImportLog *log_;
    char line_[kLineMax + 1] = {};
    size_t length_ = 0;
    bool more_;
    int blankBefore_ = 0;
    int blankAfter_ = 0;
};

}  // namespace kw::import
