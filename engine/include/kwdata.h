/*
 * kwdata.h — the public interface of the Kettleworth record engine (libkwdata.so).
 *
 * A database is a directory of files registered by name in KWDATA.INI (section "Locations") in
 * the working directory. A table is one record store file (NAME.dat) plus one B-tree file per
 * index (NAME.iNN). Every operation returns a KWRESULT: 0 on success, 1/2/3 for the navigation
 * outcomes, otherwise one of the KWERR_ codes below. Failures inside a record store or B-tree
 * file leave a detailed code readable with KW_DBGetExtendedError(). Nothing throws; callers own
 * every buffer and every definition, and table and index definitions must stay alive and
 * unchanged while the database is open (the engine keeps pointers to them).
 *
 * The engine is single-threaded and not reentrant: callers serialise their calls. Table files
 * are held with exclusive locks, so a second process cannot open them while they are open.
 *
 * Typical use:
 *   KW_DBCreateDatabase("MYDB", "/path/to/dir", misc, n);     once, registers the directory
 *   KW_DBOpen("MYDB", &db);                                      each run
 *   KW_DBAddTable(db, &tableDef, &tbl); KW_DBAddIndex(db, tbl, &indexDef, &idx);
 *   KW_DBOpenTable(db, tbl); KW_DBOpenTableInst(db, tbl, &inst);
 *   ... KW_DBPutField / KW_DBInsertRecord / KW_DBGetFirstRecord / KW_DBGetField ...
 *   KW_DBCloseTableInst(db, tbl, inst); KW_DBCloseTable(db, tbl); KW_DBClose(db);
 */
#ifndef KWDATA_H
#define KWDATA_H

#include <stdint.h>

#if defined(KWDATA_BUILDING)
#define KWDATA_API __attribute__((visibility("default")))
#else
#define KWDATA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t KWRESULT;

/* Result codes returned by the exports. */
enum KW_Result {
    KW_OK = 0,
    KW_NOTFOUND = 1,          /* navigation: no entry with exactly the key; drop: a file stayed */
    KW_END = 2,               /* navigation: moved past the last entry, or the index is empty */
    KW_START = 3,             /* navigation: moved before the first entry, or the index is empty */
    KWERR_NOMEM = 500,        /* memory could not be allocated */
    KWERR_BADHANDLE = 501,    /* database, table or index number names no live slot */
    KWERR_CHAIN = 502,        /* the record chain could not be walked while counting */
    KWERR_NOFIELD = 503,      /* no field of that name */
    KWERR_TOOMANY = 504,      /* the engine already has two users */
    KWERR_UNSUPPORTED = 505,  /* operation not supported */
    KWERR_EXTENDED = 506,     /* record store or B-tree failure; see KW_DBGetExtendedError */
    KWERR_NOLOCATION = 507,   /* database not registered, directory missing or not creatable */
    KWERR_INIWRITE = 508,     /* the registration could not be written to KWDATA.INI */
    KWERR_NOTOPEN = 509,      /* table not open, or instance not open */
    KWERR_INUSE = 510,        /* table open (drop) or database open (destroy) */
    KWERR_NOSERIAL = 513,     /* non-unique index on a table without a U field */
    KWERR_KEYPART = 514,      /* key part outside its field, or key fields wider than 255 bytes */
    KWERR_TWOSERIALS = 515,   /* more than one U field */
    KWERR_FIELDTYPE = 516,    /* unknown field type letter */
    KWERR_FILEOPEN = 517,     /* a table file could not be opened or created */
    KWERR_NOSPACE = 518,      /* no block could be allocated in the record store */
    KWERR_RECLEN = 519,       /* a stored record's length differs from the record length */
    KWERR_CHECKSUM = 521,     /* a dump record failed its checksum */
    KWERR_IO = 522,           /* a file could not be opened, or a read or write came up short */
    KWERR_NOTDUMP = 523,      /* not a dump file, or a wrong table section marker */
    KWERR_NUMKEYPART = 524,   /* a key part over an F or I field does not cover the whole field */
    KWERR_KEYTYPE = 525,      /* key class bits are not 0x10, 0x20 or 0x30 */
    KWERR_DUMPVERSION = 526,  /* the dump's version text is not "1.0.0" */
    KWERR_FIELDNAME = 600,    /* field name too long or not A-Z and underscore */
    KWERR_FIELDWIDTH = 601    /* C, F or I field width outside its allowed set */
};

/* Extended codes, read with KW_DBGetExtendedError after a 506 (or returned directly by the
 * indexed record operations and navigation). */
enum KW_ExtendedError {
    STERR_FLUSH = 154,      /* a dirty block buffer could not be written back during a flush */
    BTERR_KEYLONG = 301,    /* key longer than the page allows */
    BTERR_KEYEMPTY = 302,   /* key length zero or negative */
    BTERR_DUPLICATE = 303,  /* duplicate key (also returned directly by insert, update, reindex) */
    BTERR_BADPAGE = 304,    /* page offset not a multiple of the page size or outside the file */
    BTERR_NOBUFFER = 305,   /* no page buffer could be taken */
    BTERR_CORRUPT = 308,    /* a page's counts exceed the page size */
    BTERR_COMPARE = 309,    /* the key comparison could not be made */
    STERR_WRITE = 402,      /* a write into the record store failed */
    STERR_BADBLOCK = 403,   /* not a block reference, or the free-list block named as a record */
    STERR_OVERFLOW = 404    /* a write would pass the end of a block's capacity */
};

/* Index definition flags. */
enum KW_KeyFlags {
    KW_KEY_UNIQUE = 0x001,     /* keys unique as given; otherwise the U field is appended */
    KW_KEY_CLASS_MASK = 0x070,
    KW_KEY_CHAR = 0x010,       /* character parts */
    KW_KEY_INT = 0x020,        /* integer parts (2 bytes: 16-bit, else 32-bit) */
    KW_KEY_FLOAT = 0x030,      /* floating-point parts (4 bytes: single, else double) */
    KW_KEY_SIGNED = 0x080,     /* integer parts compare signed */
    KW_KEY_NOCASE = 0x100,     /* character parts compare without regard to A-Z case */
    KW_KEY_SERIAL = 0x8000     /* set by the engine on the U-field part; never in a definition */
};

/* The ordinals of the exports, as the original binding by number knew them. */
enum KW_Ordinal {
    KW_ORD_Open = 3, KW_ORD_Close = 4, KW_ORD_CreateDatabase = 5, KW_ORD_DestroyDatabase = 6,
    KW_ORD_AddTable = 7, KW_ORD_OpenTable = 8, KW_ORD_DropTable = 9, KW_ORD_AddIndex = 10,
    KW_ORD_GetMiscData = 11, KW_ORD_UpdateMiscData = 12, KW_ORD_OpenTableInst = 20,
    KW_ORD_CloseTableInst = 21, KW_ORD_FlushTable = 22, KW_ORD_CloseTable = 24,
    KW_ORD_GetCount = 26, KW_ORD_QuickAddRecord = 30, KW_ORD_QuickUpdateRecord = 31,
    KW_ORD_QuickDeleteRecord = 32, KW_ORD_InsertRecord = 34, KW_ORD_ReindexTable = 35,
    KW_ORD_UpdateRecord = 36, KW_ORD_DeleteRecord = 37, KW_ORD_GetRecordByRef = 38,
    KW_ORD_GetRecordRef = 39, KW_ORD_GetFirstRecord = 40, KW_ORD_GetNextRecord = 41,
    KW_ORD_GetLastRecord = 42, KW_ORD_GetPrevRecord = 43, KW_ORD_GetExactRecord = 44,
    KW_ORD_GetField = 50, KW_ORD_PutField = 51, KW_ORD_GetFieldType = 52,
    KW_ORD_GetExtendedError = 53, KW_ORD_ClearTable = 60, KW_ORD_Load = 62, KW_ORD_Dump = 63,
    KW_ORD_GetInstCount = 64, KW_ORD_SelDump = 65, KW_ORD_GetParam = 66,
    KW_ORD_RecoverTable = 80, KW_ORD_ClearRecord = 99
};

#pragma pack(push, 1)
/* One field of a table: name (0-10 characters A-Z and '_'), type letter C D F I L M U, byte
 * width (the engine writes forced widths back), and display decimals (not read). 20 bytes. */
typedef struct KW_FieldDef {
    char name[11];
    char type;
    int32_t width;
    int32_t decimals;
} KW_FieldDef;

/* One index: file number 0-99 (names NAME.iNN), key expression such as "CATEGORY+NAME" or
 * "NAME(0,20)" (first 136 characters read), and KW_KEY_ flags. 144 bytes. */
typedef struct KW_IndexDef {
    uint8_t number;
    char expression[139];
    int32_t flags;
} KW_IndexDef;
#pragma pack(pop)

/* A table: name (at most 8 characters), its fields in record order, and its indexes (read by
 * the caller, which hands each to KW_DBAddIndex). */
typedef struct KW_TableDef {
    char name[12];
    int32_t fieldCount;
    KW_FieldDef *fields;
    int32_t indexCount;
    KW_IndexDef *indexes;
} KW_TableDef;

KWDATA_API KWRESULT KW_DBOpen(const char *name, uint16_t *db);
KWDATA_API KWRESULT KW_DBClose(int32_t db);
KWDATA_API KWRESULT KW_DBCreateDatabase(const char *name, const char *directory, const void *misc,
                                        int32_t miscLength);
KWDATA_API KWRESULT KW_DBDestroyDatabase(const char *name);
KWDATA_API KWRESULT KW_DBAddTable(int32_t db, KW_TableDef *def, int32_t *tbl);
KWDATA_API KWRESULT KW_DBOpenTable(int32_t db, int32_t tbl);
KWDATA_API KWRESULT KW_DBDropTable(int32_t db, int32_t tbl);
KWDATA_API KWRESULT KW_DBAddIndex(int32_t db, int32_t tbl, KW_IndexDef *def, int32_t *idx);
KWDATA_API KWRESULT KW_DBGetMiscData(int32_t db, void *buffer, int32_t length);
KWDATA_API KWRESULT KW_DBUpdateMiscData(int32_t db, const void *buffer, int32_t length);
KWDATA_API KWRESULT KW_DBOpenTableInst(int32_t db, int32_t tbl, int32_t *inst);
KWDATA_API KWRESULT KW_DBCloseTableInst(int32_t db, int32_t tbl, int32_t inst);
KWDATA_API KWRESULT KW_DBFlushTable(int32_t db, int32_t tbl);
KWDATA_API KWRESULT KW_DBCloseTable(int32_t db, int32_t tbl);
KWDATA_API KWRESULT KW_DBGetCount(int32_t db, int32_t tbl, int32_t *count);
KWDATA_API KWRESULT KW_DBQuickAddRecord(int32_t db, int32_t tbl, int32_t inst);
KWDATA_API KWRESULT KW_DBQuickUpdateRecord(int32_t db, int32_t tbl, int32_t inst);
KWDATA_API KWRESULT KW_DBQuickDeleteRecord(int32_t db, int32_t tbl, int32_t inst);
KWDATA_API KWRESULT KW_DBInsertRecord(int32_t db, int32_t tbl, int32_t inst);
KWDATA_API KWRESULT KW_DBReindexTable(int32_t db, int32_t tbl);
KWDATA_API KWRESULT KW_DBUpdateRecord(int32_t db, int32_t tbl, int32_t inst);
KWDATA_API KWRESULT KW_DBDeleteRecord(int32_t db, int32_t tbl, int32_t inst);
KWDATA_API KWRESULT KW_DBGetRecordByRef(int32_t db, int32_t tbl, int32_t inst, int32_t ref);
KWDATA_API KWRESULT KW_DBGetRecordRef(int32_t db, int32_t tbl, int32_t inst, int32_t *ref);
KWDATA_API KWRESULT KW_DBGetFirstRecord(int32_t db, int32_t tbl, int32_t idx, int32_t inst,
                                        const void *key, int32_t keyLength);
KWDATA_API KWRESULT KW_DBGetNextRecord(int32_t db, int32_t tbl, int32_t idx, int32_t inst,
                                       const void *key, int32_t keyLength);
KWDATA_API KWRESULT KW_DBGetLastRecord(int32_t db, int32_t tbl, int32_t idx, int32_t inst,
                                       const void *key, int32_t keyLength);
KWDATA_API KWRESULT KW_DBGetPrevRecord(int32_t db, int32_t tbl, int32_t idx, int32_t inst,
                                       const void *key, int32_t keyLength);
KWDATA_API KWRESULT KW_DBGetExactRecord(int32_t db, int32_t tbl, int32_t idx, int32_t inst,
                                        const void *key, int32_t keyLength,
                                        int32_t keyFromRecord);
KWDATA_API KWRESULT KW_DBGetField(int32_t db, int32_t tbl, int32_t inst, const char *field,
                                  void *value);
KWDATA_API KWRESULT KW_DBPutField(int32_t db, int32_t tbl, int32_t inst, const char *field,
                                  const void *value);
KWDATA_API KWRESULT KW_DBGetFieldType(int32_t db, int32_t tbl, const char *field, char *type,
                                      int32_t *width);
KWDATA_API int32_t KW_DBGetExtendedError(void);
KWDATA_API KWRESULT KW_DBClearTable(int32_t db, int32_t tbl);
KWDATA_API KWRESULT KW_DBLoad(int32_t db, const char *path, int32_t replace, int32_t *duplicates);
KWDATA_API KWRESULT KW_DBDump(int32_t db, const char *path);
KWDATA_API KWRESULT KW_DBGetInstCount(int32_t db, int32_t tbl, int32_t *count);
KWDATA_API KWRESULT KW_DBSelDump(int32_t db, const char *path, int32_t count,
                                 const int32_t *tables);
KWDATA_API KWRESULT KW_DBGetParam(int32_t db, int32_t a, int32_t b);
KWDATA_API KWRESULT KW_DBRecoverTable(int32_t db, int32_t tbl);
KWDATA_API KWRESULT KW_DBClearRecord(int32_t db, int32_t tbl, int32_t inst);

/* Not among the original exports (no ordinal). defer nonzero: the table's indexes stop taking
 * the keys of records inserted from now on, for a caller about to insert many records; they are
 * built again from the records, from sorted keys, when the caller ends the deferral (defer 0) or
 * before anything else reads or changes an index of the table (navigation, update, delete,
 * quick writes, reindex, recover, clear, load, add index, close). Inserts are refused exactly
 * as they would be otherwise, and every read gives what it would have given. While deferred
 * the index files lack the new records' keys: a process that dies before the deferral ends
 * leaves them stale (the next start's rebuild after an unclean end mends them). Results: 0;
 * 501; 509 the table is not open or an index has no file; ending it, the results of
 * KW_DBReindexTable; when that fails the deferral stays, every operation that needs the indexes
 * fails the same way, and so does KW_DBCloseTable (which closes the files all the same). */
KWDATA_API KWRESULT KW_DBDeferIndexes(int32_t db, int32_t tbl, int32_t defer);

/* Not among the original exports (no ordinal). Copies the named fields of every record of the
 * table, in store order (the record chain: the order the records were added in, wherever their
 * blocks lie in the file), into out: one row per record, the rows back
 * to back, each row the fields' bytes as stored, at their full widths, in the order named (row
 * size = the sum of their widths). The store is read in large pieces rather than one read per
 * record, after the table's deferred block writes are written back (as KW_DBFlushTable writes
 * them); no index, instance or cursor is touched. Every record is read and checked whatever the
 * capacity: *count receives the number of records, and only the first min(*count, capacity)
 * rows are written (a caller whose buffer was too small learns the size it needs). Results: 0;
 * 501 (also for a null count, a negative field count or capacity, or a null out with a positive
 * capacity); 503 a field name is unknown; 509 the table is not open; and, exactly where a walk
 * of the chain reading each whole record would fail, that failure's code, returned (and, below
 * 500, also stored as the extended error) as navigation does: 403 a damaged chain or record
 * block, 519 a record shorter than the record length; 154 the write-back failed. After a
 * failure *count is unchanged and out may hold some rows. */
KWDATA_API KWRESULT KW_DBReadStoredFields(int32_t db, int32_t tbl, int32_t fieldCount,
                                          const char *const *fields, void *out, int32_t capacity,
                                          int32_t *count);

#ifdef __cplusplus
}
#endif

#endif /* KWDATA_H */
