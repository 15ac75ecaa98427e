// The dump file that KW_DBDump and KW_DBSelDump write and KW_DBLoad reads: the records of whole
// tables, portable between databases. All integers are 32-bit little-endian unless stated.
//
// File:
//   OFFSET  SIZE  MEANING
//   0       4     file magic 0x1AE6084A (bytes 4A 08 E6 1A)
//   4       5     version text "1.0.0", no terminator
//   9       4     number of table sections T
//   13      ...   T table sections, one after another
//
// Table section:
//   SIZE  MEANING
//   9     the first 9 bytes of the table definition's name field (the name, its NUL, and
//         whatever bytes follow in the field)
//   4     section marker 0x2AF6084C (bytes 4C 08 F6 2A)
//   4     number of records R
//   ...   R record entries, in the order of the table's record chain
//
// Record entry:
//   SIZE  MEANING
//   4     record length L (the table's record length)
//   L     the record exactly as stored: every field, the serial, the spare byte
//   2     checksum of the L bytes, 16-bit little-endian (DumpChecksum)
//
// A dump writes over an existing file without shortening it, so bytes past the new end may
// remain; the reader never looks past the last section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/file.h"

namespace kw::engine {

inline constexpr uint8_t kDumpMagic[4] = {0x4A, 0x08, 0xE6, 0x1A};
inline constexpr uint8_t kDumpVersion[5] = {'1', '.', '0', '.', '0'};
inline constexpr uint8_t kSectionMarker[4] = {0x4C, 0x08, 0xF6, 0x2A};
inline constexpr size_t kDumpNameSize = 9;

// Two accumulators A and B start at 0; for each byte, taken as a signed value -128..127,
// A = (A + byte) % 255 and then B = (B + A) % 255, with C++'s truncating remainder (so both may
// go negative); the checksum is the low 16 bits of B * 256 + A. "abc" gives 0x4C27.
uint16_t DumpChecksum(const uint8_t *bytes, size_t length);

// Sequential writing through a 64 KiB buffer. Every failed or short write makes ok() false for
// good; later calls do nothing.
class DumpWriter {
  public:
    explicit DumpWriter(platform::RandomAccessFile &file);
    void Put(const void *bytes, size_t length);
    void PutInt32(int32_t value);
    void PutUint16(uint16_t value);
    // Writes what is buffered and syncs the file; false when any write failed.
    bool Finish();
    bool ok() const { return ok_; }

  private:
    void Drain();
    platform::RandomAccessFile &file_;
    std::vector<uint8_t> buffer_;
    int64_t offset_ = 0;
    bool ok_ = true;
};

// Sequential reading through a 64 KiB buffer. Each Get either delivers all the bytes asked for or
// returns false (end of file or a read failure), and every later Get fails too.
class DumpReader {
  public:
    explicit DumpReader(platform::RandomAccessFile &file);
    bool Get(void *out, size_t length);
    bool GetInt32(int32_t *value);
    bool GetUint16(uint16_t *value);

  private:
    bool Fill();
    platform::RandomAccessFile &file_;
    std::vector<uint8_t> buffer_;
    size_t position_ = 0;  // next unread byte of buffer_
    size_t filled_ = 0;    // bytes of buffer_ holding file data
    int64_t offset_ = 0;   // file offset of the byte after the buffered ones
    bool ok_ = true;
};

}  // namespace kw::engine
