// The line reader: line breaks, empty-line counting, the 128-byte cut, the log echo, put-back.
#include "line_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "import_log.h"
#include "import_test_support.h"

namespace kw::import {
namespace {

TEST(LineReader, ConsumesRunsOfLineBreaksAndCountsTheEmptyLines) {
    const std::string text = "one\r\n\r\n\r\ntwo\nthree\r\r\n \r\nfour";
    LineReader reader(text.c_str(), 0, nullptr);
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.line(), "one");
    EXPECT_EQ(reader.blankLinesAfter(), 2);
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.line(), "two");
    EXPECT_EQ(reader.blankLinesBefore(), 2);
    EXPECT_EQ(reader.blankLinesAfter(), 0);
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.line(), "three");
    EXPECT_EQ(reader.blankLinesAfter(), 1);  // a lone CR is a line break of its own
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.line(), " ");  // a line holding only a blank is a line
    EXPECT_FALSE(reader.Next());    // "four" is the last line
    EXPECT_EQ(reader.line(), "four");
    EXPECT_EQ(reader.position(), static_cast<int32_t>(text.size()));
    EXPECT_FALSE(reader.Next());  // reading on at the end gives empty lines
    EXPECT_TRUE(reader.empty());
}

TEST(LineReader, CutsLongLinesAt128AndDropsTheRestButKeepsTheWholeLine) {
    const std::string longLine(200, 'x');
    const std::string text = longLine + "\r\nnext\r\n";
    LineReader reader(text.c_str(), 0, nullptr);
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.length(), 128u);
    EXPECT_EQ(reader.wholeLine(), longLine);
    ASSERT_FALSE(reader.Next());
    EXPECT_EQ(reader.line(), "next");
    EXPECT_EQ(reader.wholeLine(), "next");
}

TEST(LineReader, LineOfExactly128BytesLosesNothing) {
    const std::string line(128, 'y');
    const std::string text = line + "\nz";
    LineReader reader(text.c_str(), 0, nullptr);
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.line(), line);
    EXPECT_FALSE(reader.Next());
    EXPECT_EQ(reader.line(), "z");
}

TEST(LineReader, EmptyTextAndTextStartingWithABreak) {
    LineReader empty("", 0, nullptr);
    EXPECT_FALSE(empty.more());
    EXPECT_FALSE(empty.Next());
    EXPECT_TRUE(empty.empty());

    LineReader leading("\r\nfirst\r\nsecond", 0, nullptr);
    ASSERT_TRUE(leading.Next());
    EXPECT_TRUE(leading.empty());  // only at the very start does an empty line come back
    ASSERT_TRUE(leading.Next());
    EXPECT_EQ(leading.line(), "first");
}

TEST(LineReader, EchoesEveryLineToTheLog) {
    testing::CapturedLog captured;
    ImportLog log(captured.fd());
    LineReader reader("alpha\r\nbeta\r\n", 0, &log);
    reader.Next();
    reader.Next();
    log.Flush();
    EXPECT_EQ(captured.Text(), ">> alpha\r\n>> beta\r\n");
}

TEST(LineReader, PutBackReturnsToTheStartOfTheCurrentLine) {
    const std::string text = "a\r\nbb\r\ncc";
    LineReader reader(text.c_str(), 0, nullptr);
    reader.Next();
    reader.Next();
    EXPECT_EQ(reader.position(), 7);
    reader.PutBack();
    EXPECT_EQ(reader.position(), 3);
    LineReader again(text.c_str(), reader.position(), nullptr);
    again.Next();
    EXPECT_EQ(again.line(), "bb");
}

TEST(ImportLog, CutsEntriesTo255BytesAndIgnoresMinusOne) {
    testing::CapturedLog captured;
    ImportLog log(captured.fd());
    log.Printf("%s", std::string(400, 'q').c_str());
    log.Flush();
    EXPECT_EQ(captured.Text(), std::string(255, 'q'));
    ImportLog none(-1);
    EXPECT_FALSE(none.enabled());
    none.Problem("nothing happens");
    none.Flush();
}

// The echo of a line is written without formatting; it must give the very bytes the formatted
// entry gave: cut at 255 bytes, and at a zero byte.
TEST(ImportLog, EchoWritesWhatTheFormattedEntryWrote) {
    const std::string lines[] = {"",
                                 "alpha",
                                 std::string(128, 'm'),
                                 std::string(250, 'w'),
                                 std::string(252, 'x'),
                                 std::string(400, 'y'),
                                 std::string("ab\0cd", 5)};
    testing::CapturedLog echoed, formatted;
    {
        ImportLog echo(echoed.fd()), printf(formatted.fd());
        for (int round = 0; round < 400; ++round) {  // also across buffer flushes
            for (const std::string &line : lines) {
                echo.Echo(line);
                printf.Printf(">> %s\r\n", line.c_str());
            }
        }
    }
    EXPECT_EQ(echoed.Text(), formatted.Text());
    EXPECT_GT(echoed.Text().size(), 64u * 1024);
}

// The buffer fills several times over: every entry arrives once, whole and in order, with
// nothing written before the first full buffer and the tail written when the writer ends.
TEST(ImportLog, BufferedEntriesReachTheFileWholeAndInOrder) {
    testing::CapturedLog captured;
    std::string expected;
    {
        ImportLog log(captured.fd());
        log.Printf(">> first\r\n");
        EXPECT_EQ(captured.Text(), "");
        for (int i = 0; i < 3000; ++i) {
            const std::string entry = ">> line " + std::to_string(i) + std::string(i % 200, 'x');
            log.Printf("%s\r\n", entry.c_str());
            expected += entry + "\r\n";
        }
    }
    EXPECT_EQ(captured.Text(), ">> first\r\n" + expected);
}

}  // namespace
}  // namespace kw::import
