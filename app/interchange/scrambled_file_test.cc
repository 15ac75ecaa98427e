// The scrambled export file: every kind of line through a round trip, the bytes on disk checked by
// a decoder written here from the file layout alone, the headers, push-back, key switches, and
// damaged, truncated and failing files.
#include "app/interchange/scrambled_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/interchange/testing.h"

namespace kw {
namespace {

using testing::MemoryFile;
using testing::MemoryStore;
using testing::TempDir;

// ---- An independent decoder, from the layout in scrambled_file.h ----

// The keys as the layout documents them.
const std::vector<unsigned char> kKeyA = {0x4B, 0x9E, 0x27, 0xD3, 0x61, 0xF0, 0x1C,
                                          0xB5, 0x38, 0xE7, 0x52, 0x8A, 0x6D};
const std::vector<unsigned char> kKeyB = {0x93, 0x2E, 0xC7, 0x5A, 0xF1, 0x08, 0xBD,
                                          0x64, 0x3F, 0xA2, 0xD9, 0x17, 0x7C, 0xE5,
                                          0x4A, 0xB0, 0x21, 0x8F, 0xD6};

struct Decoded {
    std::string header;
    std::vector<std::string> lines;
    bool clean = true;  // the body ended right after a line
};

Decoded DecodeIndependently(const std::string &file) {
    Decoded decoded;
    decoded.header = file.substr(0, 10);
    int version = std::atoi(decoded.header.substr(5, 3).c_str());
    const std::vector<unsigned char> &key = version < 105 ? kKeyA : kKeyB;
    std::string body = file.size() > 10 ? file.substr(10) : "";
    for (size_t k = 0; k < body.size(); ++k)
        body[k] = static_cast<char>(static_cast<unsigned char>(body[k]) ^ key[k % key.size()]);
    size_t pos = 0;
    while (pos < body.size()) {
        size_t end;
        size_t next;
        if (body.compare(pos, 2, "@@") == 0) {
            end = body.find("?+\r\n", pos + 2);
            decoded.lines.push_back(body.substr(pos + 2, end - (pos + 2)));
            next = end + 4;
        } else {
            end = body.find("\r\n", pos);
            decoded.lines.push_back(body.substr(pos, end - pos));
            next = end + 2;
        }
        if (end == std::string::npos) {
            decoded.clean = false;
            break;
        }
        pos = next;
    }
    return decoded;
}

// ---- Helpers ----

std::string ReadFileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::unique_ptr<ScrambledFile> MemoryWriter(std::shared_ptr<MemoryStore> store, int version) {
    return std::make_unique<ScrambledFile>(std::make_unique<MemoryFile>(std::move(store)),
                                           ScrambledFile::Mode::kWrite, version);
}

std::unique_ptr<ScrambledFile> MemoryReader(std::shared_ptr<MemoryStore> store) {
    return std::make_unique<ScrambledFile>(std::make_unique<MemoryFile>(std::move(store)),
                                           ScrambledFile::Mode::kRead, -1);
}

std::string AllBytes(int from, int to) {
    std::string bytes;
    for (int b = from; b <= to; ++b)
        bytes.push_back(static_cast<char>(b));
    return bytes;
}

std::string Method4096() {
    std::string method;
    for (int paragraph = 0; method.size() < 4096; ++paragraph)
        method += "Paragraph " + std::to_string(paragraph) +
                  ": stir the sauce until it thickens, then season.\r\n";
    method.resize(4096);
    return method;
}

std::string PrintfReal(double value) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%f", value);
    return buffer;
}

const std::vector<std::string> kTexts = {
    "Apple pie",
    "",
    AllBytes(128, 255),
    std::string("nul\0inside", 10),
    "@@looks like a long text",
    "two\r\nlines",
    "lone LF\nand lone CR\r",
    "ends with CR\r",
    "question?+mark",
    "\xFF\xFF\xFF",
};

const std::vector<std::string> kLongTexts = {
    "",
    "Mix the flour.\r\n\r\nBake for 20 minutes.\r\n",
    "lone\nLF and lone\rCR",
    Method4096(),
    "ends in a question?",
    "ends in ?+",
    "ends in ?+\r",
    "a ?+ inside and ?+\n and ?+\r too",
    AllBytes(0, 255),
};

const std::vector<int> kIntegers = {0, 1, -1, 1440, INT_MAX, INT_MIN};
const std::vector<double> kReals = {0.0, -1.0, 1.5, 0.005, 0.0049, 12345678.125, 1e15, 3.14159265};

// Writes every kind of line: texts, long texts, integers, reals.
void WriteEveryKind(ScrambledFile *file) {
    for (const std::string &text : kTexts)
        ASSERT_TRUE(file->WriteText(text));
    for (const std::string &text : kLongTexts)
        ASSERT_TRUE(file->WriteLongText(text));
    for (int value : kIntegers)
        ASSERT_TRUE(file->WriteInteger(value));
    for (double value : kReals)
        ASSERT_TRUE(file->WriteReal(value));
}

// The lines WriteEveryKind produces, as a reader returns them.
std::vector<std::string> EveryKindLines() {
    std::vector<std::string> lines = kTexts;
    lines.insert(lines.end(), kLongTexts.begin(), kLongTexts.end());
    for (int value : kIntegers)
        lines.push_back(std::to_string(value));
    for (double value : kReals)
        lines.push_back(PrintfReal(value));
    return lines;
}

// ---- Round trips ----

TEST(ScrambledFileTest, EveryKindOfLineRoundTrips) {
    TempDir dir;
    for (int version : {100, 101, 107, 108}) {
        std::string path = dir.File("every" + std::to_string(version) + ".sce");
        int error = 0;
        std::unique_ptr<ScrambledFile> out = ScrambledFile::Create(path, version, &error);
        ASSERT_NE(out, nullptr) << error;
        WriteEveryKind(out.get());
        ASSERT_TRUE(out->Close());

        std::unique_ptr<ScrambledFile> in = ScrambledFile::OpenForReading(path);
        ASSERT_NE(in, nullptr);
        ASSERT_EQ(in->ReadHeader(), version);
        std::string line;
        const std::vector<std::string> lines = EveryKindLines();
        for (size_t i = 0; i < kTexts.size() + kLongTexts.size(); ++i) {
            ASSERT_TRUE(in->ReadLine(&line));
            EXPECT_EQ(line, lines[i]);
        }
        for (int expected : kIntegers) {
            int value = 7;
            EXPECT_TRUE(in->ReadInteger(&value));
            EXPECT_EQ(value, expected);
        }
        for (double expected : kReals) {
            double value = 7;
            EXPECT_TRUE(in->ReadReal(&value));
            EXPECT_EQ(value, std::strtod(PrintfReal(expected).c_str(), nullptr));
        }
        EXPECT_FALSE(in->ReadLine(&line));
        EXPECT_EQ(line, "");
        EXPECT_TRUE(in->AtEnd());
        EXPECT_EQ(in->Error(), 0);
    }
}

TEST(ScrambledFileTest, QuestionPlusLineEndInsideALongTextGainsABlank) {
    auto store = std::make_shared<MemoryStore>();
    MemoryWriter(store, 108)->WriteLongText("Ready?+\r\nServe.");
    auto in = MemoryReader(store);
    ASSERT_EQ(in->ReadHeader(), 108);
    std::string line;
    ASSERT_TRUE(in->ReadLine(&line));
    EXPECT_EQ(line, "Ready?+ \r\nServe.");
}

TEST(ScrambledFileTest, LinesLongerThanAnyBufferRoundTripInLargeBlocks) {
    auto store = std::make_shared<MemoryStore>();
    std::string huge(300000, 'x');
    for (size_t i = 0; i < huge.size(); i += 1000)
        huge[i] = static_cast<char>(i / 1000);
    {
        auto out = MemoryWriter(store, 108);
        ASSERT_TRUE(out->WriteText(std::string(200000, 'a')));
        ASSERT_TRUE(out->WriteLongText(huge));
        ASSERT_TRUE(out->Close());
    }
    EXPECT_LE(store->writeCalls, 10);  // buffered, not one call per byte or per key block
    auto in = MemoryReader(store);
    ASSERT_EQ(in->ReadHeader(), 108);
    std::string line;
    ASSERT_TRUE(in->ReadLine(&line));
    EXPECT_EQ(line, std::string(200000, 'a'));
    ASSERT_TRUE(in->ReadLine(&line));
    EXPECT_EQ(line, huge);
    EXPECT_LE(store->readCalls, 12);
}

// ---- The bytes on disk ----

TEST(ScrambledFileTest, BytesOnDiskDecodeWithTheDocumentedLayout) {
    TempDir dir;
    for (int version : {100, 108}) {
        std::string path = dir.File("layout.sce");
        auto out = ScrambledFile::Create(path, version);
        ASSERT_NE(out, nullptr);
        WriteEveryKind(out.get());
        ASSERT_TRUE(out->Close());

        std::string bytes = ReadFileBytes(path);
        Decoded decoded = DecodeIndependently(bytes);
        EXPECT_EQ(decoded.header, "KW E " + std::to_string(version) + "\r\n");
        EXPECT_TRUE(decoded.clean);
        // Texts holding line breaks or starting "@@" were written as long texts, so the plain
        // decoder sees exactly the lines.
        EXPECT_EQ(decoded.lines, EveryKindLines());
        // The first body byte: the 'A' of "Apple pie" XOR the first key byte.
        const std::vector<unsigned char> &key = version < 105 ? kKeyA : kKeyB;
        EXPECT_EQ(static_cast<unsigned char>(bytes[10]), 'A' ^ key[0]);
    }
}

// Text bytes equal to the key scramble to 0x00, their complement to 0xFF: neither may end
// anything, and a 0xFF text byte ("ÿ") is text, not the end of the file.
TEST(ScrambledFileTest, ScrambledZeroAndFfBytesDoNotEndTheFile) {
    auto store = std::make_shared<MemoryStore>();
    std::string zeros(kKeyB.begin(), kKeyB.end());
    std::string ffs = zeros;
    for (char &c : ffs)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    {
        auto out = MemoryWriter(store, 108);
        ASSERT_TRUE(out->WriteBytes(zeros));
        ASSERT_TRUE(out->WriteBytes(ffs));
        ASSERT_TRUE(
            out->WriteText("\xFF"
                           "after"));
    }
    EXPECT_EQ(store->bytes.substr(10, 19), std::string(19, '\0'));
    EXPECT_EQ(store->bytes.substr(29, 19), std::string(19, '\xFF'));
    auto in = MemoryReader(store);
    ASSERT_EQ(in->ReadHeader(), 108);
    std::string line;
    ASSERT_TRUE(in->ReadLine(&line));
    EXPECT_EQ(line, zeros + ffs +
                        "\xFF"
                        "after");
}

TEST(ScrambledFileTest, FlushInTheMiddleKeepsTheKeyPosition) {
    auto store = std::make_shared<MemoryStore>();
    {
        auto out = MemoryWriter(store, 107);
        for (const char *part : {"ab", "cdefgh", "ijklmnopqrstuvwxyz", "\r\n"}) {
            ASSERT_TRUE(out->WriteBytes(part));
            ASSERT_TRUE(out->Flush());
        }
    }
    EXPECT_EQ(DecodeIndependently(store->bytes).lines,
              std::vector<std::string>{"abcdefghijklmnopqrstuvwxyz"});
}

// ---- Headers and versions ----

TEST(ScrambledFileTest, HeaderOfEachVersionAndOfForeignFiles) {
    for (int version : {100, 101, 107, 108}) {
        auto store = std::make_shared<MemoryStore>();
        MemoryWriter(store, version)->WriteText("x");
        EXPECT_EQ(store->bytes.substr(0, 10), ScrambledFile::HeaderLine(version));
        auto in = MemoryReader(store);
        EXPECT_EQ(in->ReadHeader(), version);
        EXPECT_EQ(in->Version(), version);
        EXPECT_EQ(ScrambledFile::HasOtherCategories(version), version == 101 || version == 108);
    }
    struct Case {
        std::string bytes;
        int expected;
    };
    for (const Case &c : std::vector<Case>{
             {"MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n", -1},
             {"KW E 108\n\nxxxxxx", -1},
             {"KW E 10", -1},
             {"", -1},
             {"KW E 1x8\r\n", -1},
             {"KW E 109\r\nbody", 109},  // a header, of a version this program cannot load
         }) {
        auto store = std::make_shared<MemoryStore>();
        store->bytes = c.bytes;
        auto in = MemoryReader(store);
        EXPECT_EQ(in->ReadHeader(), c.expected) << c.bytes;
        EXPECT_EQ(in->Version(), -1);
    }
    EXPECT_EQ(ScrambledFile::Create("/nonexistent-dir/x.sce", 106), nullptr);
}

TEST(ScrambledFileTest, RewrittenHeaderNamesTheVersionWithoutTheBlock) {
    auto store = std::make_shared<MemoryStore>();
    {
        auto out = MemoryWriter(store, 108);
        ASSERT_TRUE(out->WriteText("=== RECIPES"));
        EXPECT_FALSE(out->RewriteHeader(100));  // key A would not decode the body
        EXPECT_FALSE(out->RewriteHeader(106));
        ASSERT_TRUE(out->RewriteHeader(107));
        EXPECT_EQ(out->Version(), 107);
        ASSERT_TRUE(out->WriteText("=== END"));  // continues at the end of the body
        ASSERT_TRUE(out->Close());
    }
    Decoded decoded = DecodeIndependently(store->bytes);
    EXPECT_EQ(decoded.header, "KW E 107\r\n");
    EXPECT_EQ(decoded.lines, (std::vector<std::string>{"=== RECIPES", "=== END"}));
}

TEST(ScrambledFileTest, SwitchingTheVersionRedecodesFromTheCurrentPosition) {
    auto store = std::make_shared<MemoryStore>();
    {
        auto out = MemoryWriter(store, 108);
        out->WriteText("first");
        out->WriteText("second");
    }
    auto in = MemoryReader(store);
    ASSERT_EQ(in->ReadHeader(), 108);
    std::string line;
    ASSERT_TRUE(in->ReadLine(&line));
    EXPECT_EQ(line, "first");
    ASSERT_TRUE(in->SetVersion(100));  // key A: the rest reads as noise
    int noise = in->ReadChar();
    EXPECT_NE(noise, 's');
    ASSERT_TRUE(in->PushBack(noise));
    ASSERT_TRUE(in->SetVersion(108));  // back to key B: the unread part decodes again
    in->ReadChar();                    // the pushed-back noise
    ASSERT_TRUE(in->ReadLine(&line));
    EXPECT_EQ(line, "econd");
}

// ---- Reading character by character ----

TEST(ScrambledFileTest, OneCharacterOfPushBack) {
    auto store = std::make_shared<MemoryStore>();
    MemoryWriter(store, 107)->WriteText("ab");
    auto in = MemoryReader(store);
    ASSERT_EQ(in->ReadHeader(), 107);
    EXPECT_EQ(in->Position(), 10);
    EXPECT_EQ(in->ReadChar(), 'a');
    EXPECT_EQ(in->Position(), 11);
    EXPECT_TRUE(in->PushBack('a'));
    EXPECT_EQ(in->Position(), 10);
    EXPECT_FALSE(in->PushBack('z'));  // only one
    EXPECT_FALSE(in->PushBack(ScrambledFile::kEnd));
    std::string line;
    EXPECT_TRUE(in->ReadLine(&line));
    EXPECT_EQ(line, "ab");
    EXPECT_EQ(in->ReadChar(), ScrambledFile::kEnd);
    EXPECT_TRUE(in->AtEnd());
    EXPECT_TRUE(in->PushBack(255));  // a pushed-back 255 is text, and at the end too
    EXPECT_FALSE(in->AtEnd());
    EXPECT_EQ(in->ReadChar(), 255);
    EXPECT_EQ(in->ReadChar(), ScrambledFile::kEnd);
}

TEST(ScrambledFileTest, NumbersAreReadAsDecimalConversionsDo) {
    struct Case {
        const char *line;
        bool whole;    // the line is exactly a number
        double value;  // the number at its start, 0 when none
    };
    const Case integers[] = {{"  7 ", true, 7},        {"+3", true, 3}, {"-0", true, 0},
                             {"12abc", false, 12},     {"", false, 0},  {"abc", false, 0},
                             {"99999999999", false, 0}};
    const Case reals[] = {
        {"2.5e1", true, 25}, {"-.5", true, -0.5}, {"1,5", false, 1}, {"x1", false, 0}};
    auto store = std::make_shared<MemoryStore>();
    {
        auto out = MemoryWriter(store, 108);
        for (const Case &c : integers)
            out->WriteText(c.line);
        for (const Case &c : reals)
            out->WriteText(c.line);
    }
    auto in = MemoryReader(store);
    ASSERT_EQ(in->ReadHeader(), 108);
    for (const Case &c : integers) {
        int value = -9;
        EXPECT_EQ(in->ReadInteger(&value), c.whole) << c.line;
        EXPECT_EQ(value, c.value) << c.line;
    }
    for (const Case &c : reals) {
        double value = -9;
        EXPECT_EQ(in->ReadReal(&value), c.whole) << c.line;
        EXPECT_EQ(value, c.value) << c.line;
    }
    EXPECT_FALSE(in->AtEnd());
    int value = -9;
    EXPECT_FALSE(in->ReadInteger(&value));  // no line left
    EXPECT_TRUE(in->AtEnd());
}

// ---- Damaged and failing files ----

TEST(ScrambledFileTest, EveryTruncationReadsAPrefixAndEndsCleanly) {
    auto full = std::make_shared<MemoryStore>();
    {
        auto out = MemoryWriter(full, 108);
        for (const char *text : {"=== RECIPES", "*", "Apple pie", "Desserts"})
            out->WriteText(text);
        out->WriteLongText("Mix.\r\n\r\nBake ?+ well.");
        out->WriteInteger(45);
        out->WriteReal(1.5);
    }
    Decoded whole = DecodeIndependently(full->bytes);
    for (size_t cut = 0; cut < full->bytes.size(); ++cut) {
        auto store = std::make_shared<MemoryStore>();
        store->bytes = full->bytes.substr(0, cut);
        auto in = MemoryReader(store);
        if (cut < 10) {
            EXPECT_EQ(in->ReadHeader(), -1) << cut;
            continue;
        }
        ASSERT_EQ(in->ReadHeader(), 108);
        std::vector<std::string> lines;
        std::string line;
        while (in->ReadLine(&line))
            lines.push_back(line);
        EXPECT_TRUE(in->AtEnd());
        ASSERT_LE(lines.size(), whole.lines.size()) << cut;
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(lines[i], whole.lines[i]) << cut;
        if (lines.size() == whole.lines.size()) {
            EXPECT_EQ(line, "") << cut;
            continue;
        }
        // The unfinished line is the start of the next line as written, either kind.
        const std::string &next = whole.lines[lines.size()];
        bool isStart = false;
        for (const std::string &written : {next + "\r\n", next + "?+\r\n", "@@" + next + "?+\r\n"})
            isStart = isStart || written.starts_with(line);
        EXPECT_TRUE(isStart) << cut << ": " << line;
    }
}

TEST(ScrambledFileTest, WriteFailureIsKeptAndReported) {
    auto store = std::make_shared<MemoryStore>();
    store->failWritesFrom = 100;
    auto out = MemoryWriter(store, 108);
    EXPECT_EQ(out->Error(), 0);                          // the header fits
    EXPECT_TRUE(out->WriteText(std::string(200, 'x')));  // still buffered
    EXPECT_FALSE(out->Flush());
    EXPECT_EQ(out->Error(), ENOSPC);
    EXPECT_FALSE(out->WriteText("more"));
    EXPECT_FALSE(out->Close());

    auto failing = std::make_shared<MemoryStore>();
    failing->failWritesFrom = 0;
    EXPECT_EQ(MemoryWriter(failing, 107)->Error(), ENOSPC);  // even the header
    EXPECT_EQ(MemoryWriter(std::make_shared<MemoryStore>(), 99)->Error(), EINVAL);

    TempDir dir;
    int error = 0;
    EXPECT_EQ(ScrambledFile::Create(dir.Path(), 108, &error), nullptr);  // a directory
    EXPECT_NE(error, 0);
}

TEST(ScrambledFileTest, ReadFailureEndsReadingWithTheCause) {
    auto store = std::make_shared<MemoryStore>();
    MemoryWriter(store, 108)->WriteText("line");
    auto in = MemoryReader(store);
    ASSERT_EQ(in->ReadHeader(), 108);
    store->failReads = true;
    std::string line;
    EXPECT_FALSE(in->ReadLine(&line));
    EXPECT_TRUE(in->AtEnd());
    EXPECT_EQ(in->Error(), EIO);
}

TEST(ScrambledFileTest, DecodeScrambledFileListsTheLines) {
    TempDir dir;
    std::string path = dir.File("all.sce");
    {
        auto out = ScrambledFile::Create(path, 107);
        ASSERT_NE(out, nullptr);
        WriteEveryKind(out.get());
    }
    int version = 0;
    std::vector<std::string> lines;
    EXPECT_TRUE(DecodeScrambledFile(path, &version, &lines));
    EXPECT_EQ(version, 107);
    EXPECT_EQ(lines, EveryKindLines());

    std::ofstream(dir.File("foreign.sce"), std::ios::binary) << "MMMMM----- Recipe\r\n";
    EXPECT_FALSE(DecodeScrambledFile(dir.File("foreign.sce"), &version, &lines));
    EXPECT_EQ(version, -1);
    EXPECT_FALSE(DecodeScrambledFile(dir.File("missing.sce"), &version, &lines));
}

}  // namespace
}  // namespace kw
