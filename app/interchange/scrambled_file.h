// Scrambled file access for the export file (".sce"): one object per open file, reading or
// writing. It knows the header, the key scrambling and the kinds of line; which lines make up an
// ingredient or a recipe is the business of the export and load code that calls it.
//
// What callers may rely on:
//  - A file this class writes reads back line for line with this class, whatever bytes the texts
//    hold (0x00, 0xFF, CR, LF, "@@" at the start), with one exception: the four bytes "?+" CR LF
//    inside a long text are written as "?+ " CR LF (see the long text below).
//  - Reading never fails on damaged or truncated input: it ends with ReadLine() == false and
//    AtEnd() == true, having returned what was there.
//  - File errors are kept, not thrown: the first one's errno is Error(), and every later call
//    does nothing and returns false. Callers report Error() as the cause code of message 1100.
//
// THE FILE
//
//   OFFSET  SIZE  MEANING
//   0       10    header line, plain: "KW E 100\r\n", "KW E 101\r\n", "KW E 107\r\n" or
//                 "KW E 108\r\n" (the format version)
//   10      n     body: the lines below, scrambled. Body byte k (k = 0 at offset 10) is stored
//                 as plain byte XOR key[k mod key length]: the body is cut into blocks of the
//                 key's length and each block is XORed byte by byte with the key; the last block
//                 may be shorter. Versions below 105 use key A, the others key B.
//
//   Key A (13 bytes): 4B 9E 27 D3 61 F0 1C B5 38 E7 52 8A 6D
//   Key B (19 bytes): 93 2E C7 5A F1 08 BD 64 3F A2 D9 17 7C E5 4A B0 21 8F D6
//   Neither key holds a zero byte. They are constants of the format: changing one makes every
//   file written before unreadable.
//
//   Body lines, each ending in CR LF:
//     text line      the text as it is, e.g. "Apple pie" CR LF
//     integer line   the value as "%d", e.g. "-12" CR LF
//     real line      the value as "%f" (C locale, '.' and six decimals), e.g. "1.500000" CR LF
//     long text      "@@", the text (line breaks and all), "?+", CR LF
//   A line that begins with "@@" is always a long text. The long text ends at the first "?+"
//   followed by CR LF; a "?+" followed by anything else is part of the text.
//
//   Body sections (written by the export code, listed here for the whole picture):
//     "=== INGREDIENTS", per ingredient "*" ... "**", "=== END"
//     "=== RECIPES", per recipe "*" ... "**", "=== END"
//   Versions 101 and 108 may hold a block "$", other categories, "$$" inside a recipe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"

namespace kw {

inline constexpr unsigned char kExportKeyA[13] = {0x4B, 0x9E, 0x27, 0xD3, 0x61, 0xF0, 0x1C,
                                                  0xB5, 0x38, 0xE7, 0x52, 0x8A, 0x6D};
inline constexpr unsigned char kExportKeyB[19] = {0x93, 0x2E, 0xC7, 0x5A, 0xF1, 0x08, 0xBD,
                                                  0x64, 0x3F, 0xA2, 0xD9, 0x17, 0x7C, 0xE5,
                                                  0x4A, 0xB0, 0x21, 0x8F, 0xD6};

class ScrambledFile final {
  public:
    enum class Mode { kRead, kWrite };

    static constexpr int kHeaderSize = 10;
    // What ReadChar returns at the end of the file. Every byte value 0..255 is text; in
    // particular 255 ("ÿ" in Windows-1252) does not end anything.
    static constexpr int kEnd = -1;

    // True for the four versions this file format knows: 100, 101, 107, 108.
    static bool IsKnownVersion(int version);
    // Whether the version carries the other-category block (101 and 108).
    static bool HasOtherCategories(int version);
    // The 10-byte header line of a known version, "" for any other.
    static std::string_view HeaderLine(int version);

    // Creates the file at path as a new empty file (an existing file is replaced) and writes the
    // header of version, which must be a known version. Null on failure, with the errno value in
    // *error when error is not null.
    static std::unique_ptr<ScrambledFile> Create(const std::string &path, int version,
                                                 int *error = nullptr);
    // Opens the file at path for reading. The version is unknown until ReadHeader.
    static std::unique_ptr<ScrambledFile> OpenForReading(const std::string &path,
                                                         int *error = nullptr);

    // Wraps an open file (tests use in-memory or failing files). A writer writes the header of
    // version at once (an unknown version fails with Error() == EINVAL); a reader starts with the
    // given version's key and reads the body from offset 10.
    ScrambledFile(std::unique_ptr<platform::RandomAccessFile> file, Mode mode, int version);
    ~ScrambledFile();  // flushes a writer; errors at that point are lost, call Close() first

    ScrambledFile(const ScrambledFile &) = delete;
    ScrambledFile &operator=(const ScrambledFile &) = delete;

    int Version() const { return version_; }
    Mode GetMode() const { return mode_; }
    // errno of the first file error, 0 when none.
    int Error() const { return error_; }

    // ---- Writing ----

    // Body bytes as they are (no line end added).
    bool WriteBytes(std::string_view bytes);
    // A text line. A text that holds CR or LF or begins with "@@" is written as a long text, the
    // only form in which it reads back unchanged.
    bool WriteText(std::string_view text);
    bool WriteInteger(int value);
    bool WriteReal(double value);
    // A long text: "@@", text, "?+", CR LF. A "?+" CR LF inside text is written as "?+ " CR LF,
    // since the first "?+" CR LF ends a long text.
    bool WriteLongText(std::string_view text);
    // Writes buffered body bytes to the file. The block position continues where it was, so the
    // body stays one run of key-length blocks however often it is flushed.
    bool Flush();
    // Flushes and writes the header line of version over the first 10 bytes, which then names
    // the file's version; writing continues at the end of the body. Refused (false, nothing
    // changed) for an unknown version or one with the other key, whose body would not decode.
    bool RewriteHeader(int version);
    // Flushes and closes the file; false when any write failed. Later calls do nothing.
    bool Close();

    // ---- Reading ----

    // Reads the first 10 bytes. A known header line sets the version and its key and returns the
    // version. A line of the same shape with another number ("KW E 109\r\n") returns that number
    // and leaves the version as it was: a file of a version this program cannot load. Anything
    // else (a foreign file, a file shorter than 10 bytes) returns -1; Error() then tells a file
    // that could not be read apart from a foreign one.
    int ReadHeader();
    // Takes the key of version and decodes what follows from the current position with it.
    // Readers only; false for a writer.
    bool SetVersion(int version);
    // The next body byte (0..255), or kEnd at the end of the file or after a read error.
    int ReadChar();
    // Puts one character back; the next ReadChar returns it. Only one: false (and ignored) when
    // a character is already waiting or c is kEnd.
    bool PushBack(int c);
    // Reads one line into *line (a long text whole, without "@@" and "?+"; other lines without
    // their LF and one CR before it). False when the file ended before the line did; *line
    // then holds what was read.
    bool ReadLine(std::string *line);
    // Whether the line ReadLine read last was a long text. Readers that look for marker lines
    // ("*", "**", "$$") take only a plain line as a marker, so a text that equals a marker
    // (written as a long text) stays a text.
    bool LastLineWasLongText() const { return lastLineLong_; }
    // Reads a line holding a decimal integer ("%d", blanks around it allowed). False when the
    // line did not end normally or is not such a number (*value is then the number at its start,
    // 0 when there is none, as a decimal conversion would give).
    bool ReadInteger(int *value);
    // The same for a decimal number ("%f" and other decimal forms).
    bool ReadReal(double *value);
    // True once the reader has met the end of the file (or a read error).
    bool AtEnd() const { return atEnd_ && pushedBack_ == kEnd && readPos_ == readBuffer_.size(); }
    // Reader: file offset of the next unread body byte (for progress); a pushed-back character
    // counts as unread. Writer: file offset where the next body byte goes.
    int64_t Position() const;
    // The file's size in bytes, -1 when it cannot be read.
    int64_t Size();

  private:
    const unsigned char *Key() const;
    size_t KeyLength() const;
    bool Fail(int error);
    bool FillReadBuffer();
    bool ReadLongText(std::string *text);
    bool WriteHeaderLine();

    std::unique_ptr<platform::RandomAccessFile> file_;
    Mode mode_;
    int version_;
    int error_ = 0;

    // Writing: scrambled bytes not yet in the file, which start at file offset pendingOffset_;
    // bodyWritten_ counts every body byte so far and gives the position in the key's block.
    std::string pending_;
    int64_t pendingOffset_ = kHeaderSize;
    int64_t bodyWritten_ = 0;

    // Reading: decoded bytes of the file from offset readBufferOffset_; readPos_ is the next one.
    std::string readBuffer_;
    int64_t readBufferOffset_ = kHeaderSize;
    size_t readPos_ = 0;
    bool atEnd_ = false;
    int pushedBack_ = kEnd;
    bool lastLineLong_ = false;
};

// Reads a whole export file: its version (-1 when the header is not known) and every body line.
// For tools and tests that compare files; false when the header is unknown, the file could not
// be read to its end or it ends inside a line (*lines then holds what was read, an unfinished
// last line included, even an empty one).
bool DecodeScrambledFile(const std::string &path, int *version, std::vector<std::string> *lines);

}  // namespace kw
