// The import log writer. The caller opens the log (the program's "import.out") and hands the
// plug-in its POSIX file descriptor; -1 means no log. Every entry is formatted into a 256-byte
// buffer (longer entries are cut to 255 bytes) and appended with one write. A failing write is
// ignored: the log is a diagnostic aid and never stops an import.
#pragma once

#include <cstdint>

namespace kw::import {

class ImportLog {
  public:
    explicit ImportLog(int32_t fd) : fd_(fd) {}

    bool enabled() const { return fd_ >= 0; }

    // Formats and appends one entry.
    void Printf(const char *format, ...) __attribute__((format(printf, 2, 3)));

    // Appends "*** message\r\n", the form of every problem a filter reports.
    void Problem(const char *message) { Printf("*** %s\r\n", message); }

  private:
    int32_t fd_;
};

}  // namespace kw::import
