// Fuzz target: reading an export file (ScrambledFile) from arbitrary bytes held in memory, and
// writing the lines it found back through the writer.
//
// The input is taken twice: as the whole file, and as the plain body of a file scrambled here
// (so the fuzzer's comparisons see the bytes the line rules look at, not their XOR). Each file
// is read several ways, each checked:
//   1. Header, then every line to the end, against a plain decoding of the body done here (XOR
//      with the key, then the line rules: "@@" up to "?+" CR LF, other lines up to LF with one CR
//      dropped). A file of an unknown version is decoded with a key anyway.
//   2. The same through a file that returns short reads: the lines must not depend on how the
//      file hands out its bytes.
//   3. The same through a file whose reads fail part-way: the lines read before the failure are
//      the file's first lines, then reading ends with Error() set and AtEnd().
//   4. A mix of integer, real, character and push-back reads and key changes: the position
//      never moves back and reading always ends.
//   5. The whole file read from disk (DecodeScrambledFile, as tools and tests use it): the same
//      lines, the unfinished last one added.
//   6. The lines of step 1 written as text lines, and the whole input as a long text, an integer
//      and a real, then read back: equal, apart from the one documented change of "?+" CR LF
//      inside a long text.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/interchange/scrambled_file.h"
#include "export_body.h"
#include "fuzz_check.h"
#include "memory_file.h"

namespace {

using kw::ScrambledFile;
using kw::fuzz::ExportFileOf;
using kw::fuzz::MemoryFile;
using kw::fuzz::XorExportBody;

std::unique_ptr<ScrambledFile> Reader(const std::string &bytes, size_t maxRead = SIZE_MAX,
                                      int64_t failFrom = -1) {
    auto file =
        std::make_unique<MemoryFile>(std::make_shared<std::string>(bytes), maxRead, failFrom);
    return std::make_unique<ScrambledFile>(std::move(file), ScrambledFile::Mode::kRead, -1);
}

struct Lines {
    std::vector<std::string> whole;  // lines that ended normally
    std::string rest;                // what the file held after the last of them
    bool cut = false;                // the file ended inside a line (rest may still be empty)
};

// The body decoded here, independently of the reader: XOR, then the line rules.
Lines DecodeBody(std::string_view bytes, int version) {
    const std::string body = XorExportBody(
        bytes.substr(std::min<size_t>(bytes.size(), ScrambledFile::kHeaderSize)), version);
    Lines lines;
    size_t at = 0;
    while (at < body.size()) {
        if (body.compare(at, 2, "@@") == 0) {
            const size_t end = body.find("?+\r\n", at + 2);
            if (end == std::string::npos) {
                lines.rest = body.substr(at + 2);
                lines.cut = true;
                return lines;
            }
            lines.whole.push_back(body.substr(at + 2, end - at - 2));
            at = end + 4;
            continue;
        }
        const size_t end = body.find('\n', at);
        if (end == std::string::npos) {
            lines.rest = body.substr(at);
            lines.cut = true;
            return lines;
        }
        std::string line = body.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.whole.push_back(line);
        at = end + 1;
    }
    return lines;
}

// The version whose key the body is read with: the header's, or a key picked for a foreign file.
int ReadVersion(ScrambledFile &file, const std::string &bytes) {
    const int header = file.ReadHeader();
    if (ScrambledFile::IsKnownVersion(header)) {
        FUZZ_CHECK(
            bytes.compare(0, ScrambledFile::kHeaderSize, ScrambledFile::HeaderLine(header)) == 0,
            "a known version comes from its header line");
        return header;
    }
    FUZZ_CHECK(header >= -1 && header <= 999, "an unknown header gives -1 or its number");
    const int version = bytes.size() % 2 == 0 ? 100 : 107;
    FUZZ_CHECK(file.SetVersion(version), "a reader takes any key");
    return version;
}

Lines ReadAllLines(ScrambledFile &file, size_t bound) {
    Lines lines;
    std::string line;
    for (size_t n = 0; n <= bound; ++n) {
        const int64_t before = file.Position();
        if (!file.ReadLine(&line)) {
            lines.rest = line;
            FUZZ_CHECK(file.AtEnd(), "a line that does not end is the end of the file");
            FUZZ_CHECK(!file.ReadLine(&line) && line.empty(), "nothing follows the end");
            return lines;
        }
        FUZZ_CHECK(file.Position() > before, "every line consumes bytes");
        lines.whole.push_back(line);
    }
    FUZZ_CHECK(false, "reading lines ends");
    return lines;
}

void CheckMixedReads(const std::string &bytes, size_t maxRead) {
    auto file = Reader(bytes, maxRead);
    const int version = ReadVersion(*file, bytes);
    const int otherKey = version < 105 ? 108 : 101;
    int64_t position = file->Position();
    std::string line;
    // Every step but a key change consumes a byte until the end.
    for (size_t step = 0; step <= 2 * bytes.size() + 16; ++step) {
        bool more = true;
        switch (step % 6) {
            case 0:
                more = file->ReadLine(&line);
                break;
            case 1: {
                int value = 0;
                file->ReadInteger(&value);
                more = !file->AtEnd();
                break;
            }
            case 2: {
                double value = 0;
                file->ReadReal(&value);
                more = !file->AtEnd();
                break;
            }
            case 3: {
                const int c = file->ReadChar();
                if (c == ScrambledFile::kEnd) {
                    more = false;
                    break;
                }
                FUZZ_CHECK(c >= 0 && c <= 255, "a character is a byte");
                FUZZ_CHECK(file->PushBack(c) && !file->PushBack('x'), "one character goes back");
                FUZZ_CHECK(file->ReadChar() == c, "the character read again");
                break;
            }
            case 4:
                // A key change decodes the buffer afresh; a few per file are enough.
                if (step == 4 || step == 64 || step == 1024) {
                    FUZZ_CHECK(file->SetVersion(step == 64 ? version : otherKey),
                               "the key changes");
                    FUZZ_CHECK(file->Position() == position, "a key change does not move");
                    continue;
                }
                more = file->ReadChar() != ScrambledFile::kEnd;
                break;
            case 5:
                more = file->ReadChar() != ScrambledFile::kEnd;
                break;
        }
        FUZZ_CHECK(file->Position() >= position, "the position never moves back");
        FUZZ_CHECK(file->Position() <= static_cast<int64_t>(std::max<size_t>(
                                           bytes.size(), ScrambledFile::kHeaderSize)),
                   "the position stays in the file");
        position = file->Position();
        if (!more) {
            FUZZ_CHECK(file->AtEnd(), "reading ends at the end");
            return;
        }
    }
    FUZZ_CHECK(false, "mixed reading ends");
}

// A file of this process's own in a fresh temporary folder, removed at exit.
const std::string &DiskFilePath() {
    static const std::string path = [] {
        const char *base = std::getenv("TMPDIR");
        std::string dir = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                          "/kw_fuzz_scrambled_XXXXXX";
        FUZZ_CHECK(::mkdtemp(dir.data()) != nullptr, "a temporary folder");
        static const std::string folder = dir;
        std::atexit([] {
            std::remove((folder + "/file.sce").c_str());
            ::rmdir(folder.c_str());
        });
        return dir + "/file.sce";
    }();
    return path;
}

void CheckDiskFile(const std::string &bytes, int version, const Lines &lines, bool cut) {
    {
        std::ofstream out(DiskFilePath(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        FUZZ_CHECK(out.good(), "the file is written");
    }
    int found = 0;
    std::vector<std::string> decoded;
    const bool whole = kw::DecodeScrambledFile(DiskFilePath(), &found, &decoded);
    if (!ScrambledFile::IsKnownVersion(found)) {
        FUZZ_CHECK(!whole && decoded.empty(), "an unknown header gives no lines");
        return;
    }
    FUZZ_CHECK(found == version, "the file's version");
    std::vector<std::string> expected = lines.whole;
    if (cut) expected.push_back(lines.rest);
    FUZZ_CHECK(decoded == expected, "the file's lines, an unfinished last one too");
    FUZZ_CHECK(whole == !cut, "a file read whole is one whose last line ended");
}

std::string EscapedLongText(std::string text) {
    for (size_t at = 0; (at = text.find("?+\r\n", at)) != std::string::npos; at += 5)
        text.replace(at, 4, "?+ \r\n");
    return text;
}

void CheckWriteBack(const std::string &bytes, const Lines &lines) {
    const int version = bytes.size() % 3 == 0 ? 101 : 108;
    auto stored = std::make_shared<std::string>();
    {
        ScrambledFile writer(std::make_unique<MemoryFile>(stored, SIZE_MAX, -1),
                             ScrambledFile::Mode::kWrite, version);
        for (const std::string &line : lines.whole)
            FUZZ_CHECK(writer.WriteText(line), "a text line is written");
        int integer = 0;
        std::memcpy(&integer, bytes.data(), std::min(bytes.size(), sizeof integer));
        double real = 0;
        std::memcpy(&real, bytes.data(), std::min(bytes.size(), sizeof real));
        FUZZ_CHECK(
            writer.WriteLongText(bytes) && writer.WriteInteger(integer) && writer.WriteReal(real),
            "long text, integer and real are written");
        FUZZ_CHECK(writer.RewriteHeader(version == 101 ? 100 : 107), "the header is rewritten");
        FUZZ_CHECK(writer.Close() && writer.Error() == 0, "the writer closes");

        auto reader = Reader(*stored, ScrambledFile::kHeaderSize + bytes.size() % 97);
        FUZZ_CHECK(reader->ReadHeader() == (version == 101 ? 100 : 107),
                   "the rewritten header reads back");
        std::string line;
        for (const std::string &expected : lines.whole) {
            FUZZ_CHECK(reader->ReadLine(&line), "a written line reads back");
            const bool longForm =
                expected.find_first_of("\r\n") != std::string::npos || expected.starts_with("@@");
            FUZZ_CHECK(line == (longForm ? EscapedLongText(expected) : expected),
                       "a written line reads back unchanged");
        }
        FUZZ_CHECK(reader->ReadLine(&line) && line == EscapedLongText(bytes),
                   "the long text reads back");
        int integerBack = 0;
        FUZZ_CHECK(reader->ReadInteger(&integerBack) && integerBack == integer,
                   "the integer reads back");
        double realBack = 0;
        FUZZ_CHECK(reader->ReadReal(&realBack), "the real reads back");
        if (std::isnan(real)) {
            FUZZ_CHECK(std::isnan(realBack), "NaN reads back");
        } else if (std::isinf(real)) {
            FUZZ_CHECK(realBack == real, "an infinity reads back");
        } else {
            FUZZ_CHECK(std::fabs(realBack - real) <= 5.1e-7 + std::fabs(real) * 1e-15,
                       "the real reads back to six decimals");
        }
        FUZZ_CHECK(!reader->ReadLine(&line) && line.empty() && reader->AtEnd(),
                   "nothing follows what was written");
    }
}

void CheckFile(const std::string &bytes) {
    const size_t size = bytes.size();

    // 1. Plain reading against the decoding done here.
    auto file = Reader(bytes);
    const int version = ReadVersion(*file, bytes);
    const Lines lines = ReadAllLines(*file, bytes.size());
    FUZZ_CHECK(file->Error() == 0, "a readable file reads without error");
    const Lines expected = DecodeBody(bytes, version);
    FUZZ_CHECK(lines.whole == expected.whole, "the lines are the body's lines");
    FUZZ_CHECK(lines.rest == expected.rest, "the unfinished last line is kept");

    // 2. Short reads change nothing. (The header is read in one piece: a short read of it means
    // a file shorter than a header, as a read from a disk file would.)
    const size_t chunk =
        ScrambledFile::kHeaderSize + (size > 0 ? static_cast<unsigned char>(bytes.back()) * 8u : 0);
    auto chunked = Reader(bytes, chunk);
    FUZZ_CHECK(ReadVersion(*chunked, bytes) == version, "the same version in short reads");
    const Lines chunkedLines = ReadAllLines(*chunked, bytes.size());
    FUZZ_CHECK(chunkedLines.whole == lines.whole && chunkedLines.rest == lines.rest,
               "short reads give the same lines");

    // 3. A read error part-way: the first lines, then the end with the error kept.
    if (size > ScrambledFile::kHeaderSize) {
        const int64_t failFrom =
            ScrambledFile::kHeaderSize + (size - ScrambledFile::kHeaderSize) / 2;
        auto failing = Reader(bytes, chunk, failFrom);
        ReadVersion(*failing, bytes);
        const Lines partial = ReadAllLines(*failing, bytes.size());
        FUZZ_CHECK(partial.whole.size() <= lines.whole.size() &&
                       std::equal(partial.whole.begin(), partial.whole.end(), lines.whole.begin()),
                   "lines before a read error are the file's first lines");
        FUZZ_CHECK(failing->Error() == EIO, "a read error is kept");
    }

    // 4. Mixed reads.
    CheckMixedReads(bytes, chunk);

    // 5. From disk.
    CheckDiskFile(bytes, version, lines, expected.cut);

    // 6. Written back and read again.
    CheckWriteBack(bytes, lines);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    CheckFile(bytes);
    // The body scrambled behind a header: version 100 (key A) or 107 (key B).
    CheckFile(ExportFileOf(bytes, size % 2 == 0 ? 107 : 100));
    return 0;
}
