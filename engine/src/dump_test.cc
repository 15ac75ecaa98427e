// Dump and load: the checksum, the file read back byte by byte with plain reads, dump-clear-load
// restoring the records in chain order with new serials, duplicates with and without replace,
// tables with only non-unique indexes, and damaged, foreign or truncated files.
#include "dump_format.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/file.h"
#include "record_test_support.h"
#include "store_test_support.h"

namespace kw::engine::testing {
namespace {

TEST(DumpChecksumTest, SignedBytesAndTruncatingRemainders) {
    EXPECT_EQ(DumpChecksum(reinterpret_cast<const uint8_t *>("abc"), 3), 0x4C27);
    EXPECT_EQ(DumpChecksum(nullptr, 0), 0);
    // 0xFF is -1: A = -1, B = -1, so B * 256 + A = -257, whose low 16 bits are 0xFEFF.
    const uint8_t high[] = {0xFF};
    EXPECT_EQ(DumpChecksum(high, 1), 0xFEFF);
    // 255 bytes of 1: A cycles back to 0 at the end, B sums 1..254 modulo 255 = 0.
    const std::vector<uint8_t> ones(255, 1);
    EXPECT_EQ(DumpChecksum(ones.data(), ones.size()), 0);
    const uint8_t mixed[] = {0x80, 0x7F, 0x80};  // -128, 127, -128
    // A: -128, -1, -129 % 255 = -129; B: -128, -129, -258 % 255 = -3.
    EXPECT_EQ(DumpChecksum(mixed, 3), static_cast<uint16_t>(-3 * 256 - 129));
}

class DumpTest : public RecordTest {
  protected:
    void SetUp() override {
        RecordTest::SetUp();
        OpenTable(notes_.def, {&byText_}, &notesTbl_, &notesInst_);
    }

    void AddNote(const std::string &text) {
        char field[10] = {};
        std::memcpy(field, text.data(), std::min<size_t>(text.size(), 10));
        ASSERT_EQ(KW_DBClearRecord(db_, notesTbl_, notesInst_), KW_OK);
        ASSERT_EQ(KW_DBPutField(db_, notesTbl_, notesInst_, "TEXT", field), KW_OK);
        ASSERT_EQ(KW_DBInsertRecord(db_, notesTbl_, notesInst_), KW_OK);
    }

    int32_t NoteCount() {
        int32_t n = -1;
        EXPECT_EQ(KW_DBGetCount(db_, notesTbl_, &n), KW_OK);
        return n;
    }

    // Five recipes, the third deleted, so the serials in the chain are 0, 1, 3, 4.
    void FillRecipes() {
        ASSERT_EQ(Insert("Beef Stew", "Mains", 120), KW_OK);
        ASSERT_EQ(Insert("Apple Pie", "Desserts", 60), KW_OK);
        ASSERT_EQ(Insert("Gone", "Mains", 1), KW_OK);
        ASSERT_EQ(KW_DBDeleteRecord(db_, tbl_, inst_), KW_OK);
        ASSERT_EQ(Insert("Carrot Soup", "Soups", 40), KW_OK);
        ASSERT_EQ(Insert("Dumplings", "Sides", -5), KW_OK);
    }

    KWRESULT Load(const std::string &file, bool replace, int32_t *duplicates) {
        return KW_DBLoad(db_, Path(file).c_str(), replace ? 1 : 0, duplicates);
    }

    static std::vector<Row> Renumbered(std::vector<Row> rows, uint32_t from) {
        for (Row &r : rows)
            r.serial = from++;
        return rows;
    }

    TableDefinition notes_{"KWNOTES", {Field("TEXT", 'C', 10), Field("ID", 'U', 4)}};
    KW_IndexDef byText_ = Index(0, "TEXT", 0x110);
    int32_t notesTbl_ = -1;
    int32_t notesInst_ = -1;
};

TEST_F(DumpTest, DumpOfEmptyTablesIsMagicVersionCountAndEmptySections) {
    ASSERT_EQ(KW_DBDump(db_, Path("empty.sda").c_str()), KW_OK);
    const std::vector<uint8_t> file = ReadWholeFile(Path("empty.sda"));
    const std::vector<uint8_t> expected = {
        0x4A, 0x08, 0xE6, 0x1A, '1', '.', '0', '.', '0', 2,    0,    0,    0,                 //
        'K',  'W',  'R',  'E',  'C', 'I', 'P', 'E', 0,   0x4C, 0x08, 0xF6, 0x2A, 0, 0, 0, 0,  //
        'K',  'W',  'N',  'O',  'T', 'E', 'S', 0,   0,   0x4C, 0x08, 0xF6, 0x2A, 0, 0, 0, 0};
    EXPECT_EQ(file, expected);
}

TEST_F(DumpTest, DumpFileHoldsEveryRecordAsStoredInChainOrder) {
    FillRecipes();
    AddNote("hello");
    const auto chain = Chain();
    ASSERT_EQ(KW_DBDump(db_, Path("all.sda").c_str()), KW_OK);

    const std::vector<uint8_t> file = ReadWholeFile(Path("all.sda"));
    size_t at = 13;
    ASSERT_EQ(Int32At(file, 9), 2);
    ASSERT_EQ(std::string(file.begin() + at, file.begin() + at + 9), std::string("KWRECIPE\0", 9));
    at += 9;
    EXPECT_EQ(Int32At(file, static_cast<int64_t>(at)), 0x2AF6084C);
    EXPECT_EQ(Int32At(file, static_cast<int64_t>(at + 4)), 4);
    at += 8;
    for (const auto &[ref, bytes] : chain) {
        ASSERT_EQ(Int32At(file, static_cast<int64_t>(at)), kRecordLength) << "record at " << ref;
        at += 4;
        EXPECT_EQ(std::vector<uint8_t>(file.begin() + at, file.begin() + at + kRecordLength),
                  bytes);
        at += kRecordLength;
        EXPECT_EQ(file[at] | file[at + 1] << 8, DumpChecksum(bytes.data(), bytes.size()));
        at += 2;
    }
    EXPECT_EQ(std::string(file.begin() + at, file.begin() + at + 9), std::string("KWNOTES\0\0", 9));
    EXPECT_EQ(Int32At(file, static_cast<int64_t>(at + 13)), 1);  // one note
    EXPECT_EQ(file.size(), at + 9 + 8 + 4 + 15 + 2);
}

TEST_F(DumpTest, DumpClearLoadRestoresTheChainWithRenumberedSerials) {
    FillRecipes();
    AddNote("one");
    AddNote("two");
    const std::vector<Row> before = ChainRows();
    ASSERT_EQ(before.size(), 4u);
    ASSERT_EQ(KW_DBDump(db_, Path("round.sda").c_str()), KW_OK);
    ASSERT_EQ(KW_DBClearTable(db_, tbl_), KW_OK);
    ASSERT_EQ(KW_DBClearTable(db_, notesTbl_), KW_OK);

    int32_t duplicates = -1;
    ASSERT_EQ(Load("round.sda", false, &duplicates), KW_OK);
    EXPECT_EQ(duplicates, 0);
    EXPECT_EQ(ChainRows(), Renumbered(before, 0));
    EXPECT_EQ(Scan(0).size(), 4u);
    EXPECT_EQ(Scan(1, false).size(), 4u);
    EXPECT_EQ(NoteCount(), 2);
    EXPECT_EQ(Count(), 4);
}

TEST_F(DumpTest, LoadingTheSameRecordsCountsDuplicatesReplacesThemOrDoublesNonUniqueTables) {
    FillRecipes();
    AddNote("one");
    AddNote("two");
    ASSERT_EQ(KW_DBDump(db_, Path("same.sda").c_str()), KW_OK);
    const auto chain = Chain();
    const std::vector<Row> rows = ChainRows();

    // Without replace: every recipe is a duplicate and stays as it is; notes are added again.
    int32_t duplicates = -1;
    ASSERT_EQ(Load("same.sda", false, &duplicates), KW_OK);
    EXPECT_EQ(duplicates, 4);
    EXPECT_EQ(Chain(), chain);
    EXPECT_EQ(NoteCount(), 4);

    // With replace: every recipe is deleted and inserted again, at the end, with a new serial.
    ASSERT_EQ(Load("same.sda", true, &duplicates), KW_OK);
    EXPECT_EQ(duplicates, 4);
    const std::vector<Row> replaced = ChainRows();
    // Serials 5-8 went to the refused inserts of the first load; here each record takes two,
    // one refused and one inserted.
    for (size_t i = 0; i < replaced.size(); ++i) {
        EXPECT_EQ(replaced[i], (Row{rows[i].name, rows[i].category, rows[i].minutes,
                                    static_cast<uint32_t>(10 + 2 * i)}));
    }
    EXPECT_EQ(Scan(0).size(), 4u);
    EXPECT_EQ(Scan(1).size(), 4u);
    EXPECT_EQ(NoteCount(), 6);

    EXPECT_EQ(Load("same.sda", true, nullptr), KW_OK);  // no counter: fine too
}

// A record that collides on two unique indexes with two stored records: replacing the one found
// on the first unique index cannot make room on the second, so that record goes back in.
TEST_F(DumpTest, ARefusedReplacementPutsTheStoredRecordBack) {
    TableDefinition pairs("KWPAIRS", {Field("A", 'C', 4), Field("B", 'C', 4), Field("ID", 'U', 4)});
    KW_IndexDef byA = Index(0, "A", 0x111), byB = Index(1, "B", 0x111);
    int32_t tbl = -1, inst = -1;
    OpenTable(pairs.def, {&byA, &byB}, &tbl, &inst);
    auto add = [&](const char *a, const char *b) {
        char fa[4] = {}, fb[4] = {};
        std::memcpy(fa, a, 2);
        std::memcpy(fb, b, 2);
        ASSERT_EQ(KW_DBClearRecord(db_, tbl, inst), KW_OK);
        ASSERT_EQ(KW_DBPutField(db_, tbl, inst, "A", fa), KW_OK);
        ASSERT_EQ(KW_DBPutField(db_, tbl, inst, "B", fb), KW_OK);
        ASSERT_EQ(KW_DBInsertRecord(db_, tbl, inst), KW_OK);
    };
    add("a1", "b2");
    const int32_t only[] = {tbl};
    ASSERT_EQ(KW_DBSelDump(db_, Path("pair.sda").c_str(), 1, only), KW_OK);
    ASSERT_EQ(KW_DBClearTable(db_, tbl), KW_OK);
    add("a1", "b1");
    add("a2", "b2");

    int32_t duplicates = 0;
    EXPECT_EQ(Load("pair.sda", true, &duplicates), BTERR_DUPLICATE);
    EXPECT_EQ(duplicates, 1);
    std::vector<std::string> byAScan;
    KWRESULT r = KW_DBGetFirstRecord(db_, tbl, 0, inst, nullptr, 0);
    for (; r == KW_OK; r = KW_DBGetNextRecord(db_, tbl, 0, inst, nullptr, 0)) {
        char fa[5] = {}, fb[5] = {};
        ASSERT_EQ(KW_DBGetField(db_, tbl, inst, "A", fa), KW_OK);
        ASSERT_EQ(KW_DBGetField(db_, tbl, inst, "B", fb), KW_OK);
        byAScan.push_back(std::string(fa) + std::string(fb));
    }
    EXPECT_EQ(byAScan, (std::vector<std::string>{"a1b1", "a2b2"}));
    int32_t count = 0;
    ASSERT_EQ(KW_DBGetCount(db_, tbl, &count), KW_OK);
    EXPECT_EQ(count, 2);
}

TEST_F(DumpTest, AnAlteredRecordIsSkippedWith521WhileTheRestLoads) {
    FillRecipes();
    ASSERT_EQ(KW_DBDump(db_, Path("bad.sda").c_str()), KW_OK);
    ASSERT_EQ(KW_DBClearTable(db_, tbl_), KW_OK);
    // The second record's name starts at 13 + 9 + 8 + (4 + 41 + 2) + 4.
    PatchFile(Path("bad.sda"), 13 + 9 + 8 + 47 + 4, "X", 1);
    int32_t duplicates = -1;
    EXPECT_EQ(Load("bad.sda", false, &duplicates), KWERR_CHECKSUM);
    std::vector<std::string> names;
    for (const Row &r : ChainRows())
        names.push_back(r.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Beef Stew", "Carrot Soup", "Dumplings"}));
    EXPECT_EQ(NoteCount(), 0);  // the later section loaded as well (it is empty)
}

TEST_F(DumpTest, ForeignWrongVersionTruncatedAndOversizedFilesAreRefusedWithClearCodes) {
    FillRecipes();
    ASSERT_EQ(KW_DBDump(db_, Path("good.sda").c_str()), KW_OK);
    const std::vector<uint8_t> good = ReadWholeFile(Path("good.sda"));
    // The good dump with bytes put in at an offset, or cut after size bytes.
    const auto with = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> file = good;
        std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<ptrdiff_t>(at));
        return file;
    };
    const auto cut = [&](size_t size) {
        return std::vector<uint8_t>(good.begin(), good.begin() + static_cast<ptrdiff_t>(size));
    };
    std::vector<uint8_t> garbage = cut(13);
    garbage.resize(4000, 0xA5);
    const std::vector<uint8_t> int32Max = {0xFF, 0xFF, 0xFF, 0x7F};
    const size_t records = 13 + 9 + 8;  // the first record of the first section
    const struct {
        const char *name;
        std::vector<uint8_t> bytes;
        KWRESULT result;
        size_t loaded;  // records left in the table: those read before the fault
    } cases[] = {
        {"another file's marker",
         {0x4C, 0x08, 0xF6, 0x2A, '1', '.', '0', '.', '0', 0, 0, 0, 0},
         KWERR_NOTDUMP,
         0},
        {"another version", with(8, {'1'}), KWERR_DUMPVERSION, 0},
        {"shorter than its header", {0x4A, 0x08}, KWERR_IO, 0},
        {"cut in the middle of the third record", cut(records + 47 * 2 + 20), KWERR_IO, 2},
        // Refused before anything is read or allocated for it.
        {"a record length no record has", with(records, int32Max), KWERR_RECLEN, 0},
        // Runs into the file's end.
        {"a section count beyond the file", with(9, int32Max), KWERR_IO, 4},
        // Reads the next section's name as a record length.
        {"a record count beyond the section", with(13 + 9 + 4, {0xFF, 0xFF, 0xFF, 0xFF}),
         KWERR_RECLEN, 4},
        {"a wrong section marker", with(13 + 9, {0}), KWERR_NOTDUMP, 0},
        {"a section naming no table of the database", with(13, {'X'}), KWERR_IO, 0},
        {"garbage after a good start", garbage, KWERR_IO, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(KW_DBClearTable(db_, tbl_), KW_OK);
        std::ofstream(Path("damaged.sda"), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char *>(c.bytes.data()),
                   static_cast<std::streamsize>(c.bytes.size()));
        EXPECT_EQ(Load("damaged.sda", false, nullptr), c.result);
        EXPECT_EQ(ChainRows().size(), c.loaded);
    }
    EXPECT_EQ(Load("missing.sda", false, nullptr), KWERR_IO);
}

TEST_F(DumpTest, SelectiveDumpWritesTheChosenTablesInTheOrderGiven) {
    FillRecipes();
    AddNote("n");
    const int32_t tables[] = {notesTbl_, tbl_};
    ASSERT_EQ(KW_DBSelDump(db_, Path("sel.sda").c_str(), 0x10002, tables), KW_OK);
    const std::vector<uint8_t> file = ReadWholeFile(Path("sel.sda"));
    EXPECT_EQ(Int32At(file, 9), 2);  // only the low 16 bits of the count
    EXPECT_EQ(std::string(file.begin() + 13, file.begin() + 20), "KWNOTES");
    ASSERT_EQ(KW_DBClearTable(db_, tbl_), KW_OK);
    ASSERT_EQ(KW_DBClearTable(db_, notesTbl_), KW_OK);
    ASSERT_EQ(Load("sel.sda", false, nullptr), KW_OK);
    EXPECT_EQ(ChainRows().size(), 4u);
    EXPECT_EQ(NoteCount(), 1);

    const int32_t bad[] = {tbl_, 99};
    EXPECT_EQ(KW_DBSelDump(db_, Path("bad.sda").c_str(), 2, bad), KWERR_NOTOPEN);
    EXPECT_EQ(KW_DBSelDump(db_, Path("bad.sda").c_str(), 1, nullptr), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBSelDump(db_ + 5, Path("bad.sda").c_str(), 1, bad), KWERR_BADHANDLE);
}

TEST_F(DumpTest, ClosedTablesStopDumpAndLoadWith509) {
    FillRecipes();
    ASSERT_EQ(KW_DBDump(db_, Path("all.sda").c_str()), KW_OK);
    ASSERT_EQ(KW_DBCloseTable(db_, notesTbl_), KW_OK);
    EXPECT_EQ(KW_DBDump(db_, Path("all.sda").c_str()), KWERR_NOTOPEN);
    const int32_t recipesOnly[] = {tbl_};
    EXPECT_EQ(KW_DBSelDump(db_, Path("r.sda").c_str(), 1, recipesOnly), KW_OK);
    EXPECT_EQ(Load("all.sda", false, nullptr), KWERR_NOTOPEN);  // the recipes went in first
    EXPECT_EQ(ChainRows().size(), 4u);
}

TEST_F(DumpTest, ADumpThatCannotBeWrittenFullyReports522) {
    for (int i = 0; i < 2000; ++i)
        AddNote("note " + std::to_string(i));
    const std::string target = Path("full.sda");
    auto faults = std::make_shared<FileFaults>();
    platform::SetOpenHookForTesting([&](std::unique_ptr<platform::RandomAccessFile> file) {
        if (file->Path() != target) return file;
        faults->writesBeforeFailure = 0;  // the disk is full from the start
        return std::unique_ptr<platform::RandomAccessFile>(
            std::make_unique<StoreFaultyFile>(std::move(file), faults));
    });
    EXPECT_EQ(KW_DBDump(db_, target.c_str()), KWERR_IO);
    faults->writesBeforeFailure = 1;  // the first 64 KiB reach the file, then the disk is full
    faults->failWrites = false;
    EXPECT_EQ(KW_DBDump(db_, target.c_str()), KWERR_IO);
    platform::SetOpenHookForTesting(nullptr);
    EXPECT_EQ(KW_DBDump(db_, target.c_str()), KW_OK);
}

}  // namespace
}  // namespace kw::engine::testing
