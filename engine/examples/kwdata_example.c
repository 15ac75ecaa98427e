/*
 * kwdata_example.c - how to use the Kettleworth record engine (libkwdata.so) from C.
 *
 * The program creates a database in the working directory, declares a table of recipes with two
 * indexes, inserts a few records, walks them in both directions, finds one by its key, updates
 * and deletes records, and writes the whole database to a dump file. Every call returns a
 * KWRESULT: 0 on success, 1/2/3 for the navigation outcomes, otherwise an error code from
 * kwdata.h (KW_DBGetExtendedError() tells more after a 506).
 *
 * Build:  cc kwdata_example.c -I engine/include -L build/bin -lkwdata
 * Run it in an empty directory: it writes KWDATA.INI, the directory "kwexample" with the table
 * files, and the dump "kwexample.sda" there.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kwdata.h"

/* Stops the program with a message when a call does not give the expected result. */
#define EXPECT(call, expected)                                                                \
    do {                                                                                      \
        KWRESULT r_ = (call);                                                                 \
        if (r_ != (expected)) {                                                               \
            fprintf(stderr, "%s:%d: %s gave %d (expected %d, extended error %d)\n", __FILE__, \
                    __LINE__, #call, (int)r_, (int)(expected), (int)KW_DBGetExtendedError()); \
            exit(1);                                                                          \
        }                                                                                     \
    } while (0)

/*
 * The table definition. The engine keeps pointers to these arrays while the database is open,
 * so they are static. Widths of D, L, M and U fields are fixed by the engine; C fields are
 * 1..4096 bytes, zero-padded and not terminated when full; I fields are 2 or 4 bytes.
 */
static KW_FieldDef recipeFields[] = {
    {"NAME", 'C', 32, 0},     /* recipe title */
    {"CATEGORY", 'C', 16, 0}, /* its category */
    {"MINUTES", 'I', 4, 0},   /* cooking time */
    {"UNIQUE", 'U', 4, 0},    /* serial number, given by the engine on insert */
};

/*
 * Index 0: category and title together are unique, compared without regard to case.
 * Index 1: titles, not unique: the engine appends the U field so equal titles stay apart.
 * The first byte is the file number: the index files are KWRECIPE.i00 and KWRECIPE.i01.
 */
static KW_IndexDef recipeIndexes[] = {
    {0, "CATEGORY+NAME", KW_KEY_UNIQUE | KW_KEY_CHAR | KW_KEY_NOCASE},
    {1, "NAME", KW_KEY_CHAR | KW_KEY_NOCASE},
};

static KW_TableDef recipes = {"KWRECIPE", 4, recipeFields, 2, recipeIndexes};

static uint16_t db;
static int32_t tbl, inst;

/* Puts text into a C field: the engine copies the field's full width, so pad with zeros. */
static void PutText(const char *field, const char *text, size_t width) {
    char padded[64];
    memset(padded, 0, sizeof padded);
    strncpy(padded, text, width);
    EXPECT(KW_DBPutField(db, tbl, inst, field, padded), KW_OK);
}

/* Gets a C field as a terminated string (the field itself has no terminator when full). */
static void GetText(const char *field, char *out, size_t width) {
    memset(out, 0, width + 1);
    EXPECT(KW_DBGetField(db, tbl, inst, field, out), KW_OK);
}

static KWRESULT AddRecipe(const char *name, const char *category, int32_t minutes) {
    EXPECT(KW_DBClearRecord(db, tbl, inst), KW_OK); /* start from a zeroed buffer */
    PutText("NAME", name, 32);
    PutText("CATEGORY", category, 16);
    EXPECT(KW_DBPutField(db, tbl, inst, "MINUTES", &minutes), KW_OK);
    return KW_DBInsertRecord(db, tbl, inst); /* numbers the U field and updates both indexes */
}

static void PrintCurrent(const char *prefix) {
    char name[33], category[17];
    int32_t minutes = 0;
    uint32_t serial = 0;
    GetText("NAME", name, 32);
    GetText("CATEGORY", category, 16);
    EXPECT(KW_DBGetField(db, tbl, inst, "MINUTES", &minutes), KW_OK);
    EXPECT(KW_DBGetField(db, tbl, inst, "UNIQUE", &serial), KW_OK);
    printf("%s%-12s %-14s %4d min  #%u\n", prefix, category, name, (int)minutes, (unsigned)serial);
}

int main(void) {
    int32_t idx, count;
    char key[16 + 32];
    char name[33];
    KWRESULT r;

    /* Register the database "KWEXAMPLE" in KWDATA.INI and create its directory. A second run in
     * the same directory finds it registered already (507: the directory exists). */
    r = KW_DBCreateDatabase("KWEXAMPLE", "kwexample", "example", 7);
    if (r != KW_OK && r != KWERR_NOLOCATION) EXPECT(r, KW_OK);
    EXPECT(KW_DBOpen("KWEXAMPLE", &db), KW_OK);

    /* Declare the table and its indexes (after every open), then open its files. */
    EXPECT(KW_DBAddTable(db, &recipes, &tbl), KW_OK);
    EXPECT(KW_DBAddIndex(db, tbl, &recipeIndexes[0], &idx), KW_OK);
    EXPECT(KW_DBAddIndex(db, tbl, &recipeIndexes[1], &idx), KW_OK);
    EXPECT(KW_DBOpenTable(db, tbl), KW_OK);
    EXPECT(KW_DBClearTable(db, tbl), KW_OK); /* start empty, also on a second run */

    /* All record work goes through an instance: a record buffer with a current record. */
    EXPECT(KW_DBOpenTableInst(db, tbl, &inst), KW_OK);

    EXPECT(AddRecipe("Beef Stew", "Mains", 150), KW_OK);
    EXPECT(AddRecipe("Apple Pie", "Desserts", 60), KW_OK);
    EXPECT(AddRecipe("Carrot Soup", "Soups", 40), KW_OK);
    EXPECT(AddRecipe("Apple Pie", "Autumn", 55), KW_OK); /* same title, other category */
    /* Category and title together are unique: this one is refused and nothing is written. */
    EXPECT(AddRecipe("APPLE PIE", "desserts", 1), BTERR_DUPLICATE);

    /* Walk by title: first, then next until 2 (past the last). */
    printf("By title:\n");
    for (r = KW_DBGetFirstRecord(db, tbl, 1, inst, NULL, 0); r == KW_OK;
         r = KW_DBGetNextRecord(db, tbl, 1, inst, NULL, 0))
        PrintCurrent("  ");
    EXPECT(r, KW_END);

    /* Walk by category and title backwards: last, then previous until 3 (before the first). */
    printf("By category, backwards:\n");
    for (r = KW_DBGetLastRecord(db, tbl, 0, inst, NULL, 0); r == KW_OK;
         r = KW_DBGetPrevRecord(db, tbl, 0, inst, NULL, 0))
        PrintCurrent("  ");
    EXPECT(r, KW_START);

    /* Exact search on the unique index: the key is the category (16 bytes) and the title (32
     * bytes), zero-padded. The engine upper-cases search keys, and the index ignores case. */
    memset(key, 0, sizeof key);
    memcpy(key, "desserts", 8);
    memcpy(key + 16, "apple pie", 9);
    EXPECT(KW_DBGetExactRecord(db, tbl, 0, inst, key, sizeof key, 0), KW_OK);
    PrintCurrent("Found: ");

    /* Update the record just found: change its time and write it back. */
    {
        int32_t minutes = 70;
        EXPECT(KW_DBPutField(db, tbl, inst, "MINUTES", &minutes), KW_OK);
        EXPECT(KW_DBUpdateRecord(db, tbl, inst), KW_OK);
    }

    /* On a non-unique index an exact search gives the first record at or after the key; the
     * caller compares the fields it searched for. */
    EXPECT(KW_DBGetExactRecord(db, tbl, 1, inst, "Carrot", 6, 0), KW_OK);
    GetText("NAME", name, 32);
    if (strncmp(name, "Carrot", 6) != 0) return 1;
    EXPECT(KW_DBDeleteRecord(db, tbl, inst), KW_OK); /* deletes it from the store and indexes */
    EXPECT(KW_DBGetExactRecord(db, tbl, 0, inst, "Nothing", 7, 0), KW_NOTFOUND);

    EXPECT(KW_DBGetCount(db, tbl, &count), KW_OK);
    printf("%d recipes\n", (int)count);
    if (count != 3) return 1;

    /* Write every table of the database to a dump file; KW_DBLoad reads it back. */
    EXPECT(KW_DBDump(db, "kwexample.sda"), KW_OK);
    printf("Dumped to kwexample.sda\n");

    /* Close in reverse order; closing the table writes the cached blocks and pages. */
    EXPECT(KW_DBCloseTableInst(db, tbl, inst), KW_OK);
    EXPECT(KW_DBCloseTable(db, tbl), KW_OK);
    EXPECT(KW_DBClose(db), KW_OK);
    return 0;
}
