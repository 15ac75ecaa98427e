// The import log writer. The caller opens the log (the program's "import.out") and hands the
// plug-in its POSIX file descriptor; -1 means no log. Every entry is formatted to at most 255
// bytes (longer entries are cut there) and collected in a 64 KiB buffer; the buffer goes to the
// descriptor with one write when the next entry would not fit, on Flush() and when the writer
// is destroyed. The plug-in makes one writer per ImportRecipe call, so the lines of one recipe
// reach the file together when the call returns: the program's own log lines, written after the
// call, still follow them, and a crash loses at most the lines of the recipe being read. A
// failing write is ignored: the log is a diagnostic aid and never stops an import.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kw::import {

class ImportLog {
  public:
    explicit ImportLog(int32_t fd) : fd_(fd) {}
    ~ImportLog() { Flush(); }
    ImportLog(const ImportLog &) = delete;
    ImportLog &operator=(const ImportLog &) = delete;

    bool enabled() const { return fd_ >= 0; }

    // Formats and appends one entry.
    void Printf(const char *format, ...) __attribute__((format(printf, 2, 3)));

    // Appends ">> line\r\n", the echo of a line read: the entry Printf(">> %s\r\n", line) makes
    // (cut at the same bound, and at a zero byte in line), without formatting.
    void Echo(std::string_view line);

    // Appends "*** message\r\n", the form of every problem a filter reports.
    void Problem(const char *message) { Printf("*** %s\r\n", message); }

    // Writes out the collected entries.
    void Flush();

  private:
    static constexpr size_t kEntrySize = 256;

    // Makes room for one whole entry.
    void Reserve();
    static constexpr size_t kBufferSize = 64 * 1024;

    int32_t fd_;
    size_t used_ = 0;
    char buffer_[kBufferSize];  // only the first used_ bytes are meaningful
};

}  // namespace kw::import
