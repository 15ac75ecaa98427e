/*
 * kwimpt.h — the public interface of the Kettleworth import filter plug-in (libkwimpt.so).
 *
 * The program loads the plug-in only while an import runs (dlopen), resolves ImportRecipe,
 * GetSupportedFormats and GetBestFilter by name, and calls ImportRecipe once per recipe of a
 * NUL-terminated text. Each call fills one caller-allocated RecipeImportRecord. The plug-in keeps
 * no state between calls and allocates nothing the caller must free; every call is re-entrant.
 * Nothing throws out of these functions.
 *
 * Filters (fixed indexes):
 *   0 "Kettleworth"  the program's own recipe text
 *   1 "MealMaster"   Meal-Master export text
 *   2 "MasterCook"   MasterCook export text
 *
 * Texts in the record are NUL-terminated single-byte (Windows-1252) strings. The record layout
 * is the binary contract between the program and the plug-in: byte-packed, little-endian, with
 * the offsets below (checked at compile time).
 *
 * RecipeImportRecord (29,894 bytes)
 *   OFFSET  SIZE        MEANING
 *        0  49          recipe name
 *       49  33          primary category
 *       82  4098        method: lines joined, line breaks as CR LF, at most 4095 characters
 *     4180  4           total time in minutes (int32)
 *     4184  4           preparation time in minutes (int32)
 *     4188  4           number of servings (int32)
 *     4192  4           calories per recipe, -1 when not known (int32)
 *     4196  4           cost, -1.0 when not known (float32)
 *     4200  1           dairy free: 'Y' yes, anything else no
 *     4201  1           gluten free: as above
 *     4202  1           vegetarian: as above
 *     4203  1           difficulty: 'A' easy, 'B' medium, 'C' hard
 *     4204  50          reference (where the recipe comes from)
 *     4254  4           number of other categories, 0 to 32 (int32)
 *     4258  32 x 33     other categories, one 33-byte slot each
 *     5314  4           number of ingredients, 0 to 256 (int32)
 *     5318  256 x 96    ingredient lines in recipe order (ImportedIngredient)
 *
 * ImportedIngredient (96 bytes)
 *   OFFSET  SIZE  MEANING
 *        0  34    ingredient name
 *       34  4     quantity in the base amount of its measure kind: grams, millilitres or a
 *                 count (float32)
 *       38  4     unit choice within the measure kind; 4 = no amount (int32)
 *       42  4     measure kind: 0 weight, 1 volume, 2 items (int32)
 *       46  50    preparation note
 *
 * Because the structures are packed, take no pointer or reference to their int32 and float32
 * members; copy the values instead.
 */
#ifndef KWIMPT_H
#define KWIMPT_H

#include <stdint.h>

#if defined(KWIMPT_BUILDING)
#define KWIMPT_API __attribute__((visibility("default")))
#else
#define KWIMPT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define KWIMPT_NAME_SIZE 49
#define KWIMPT_CATEGORY_SIZE 33
#define KWIMPT_METHOD_SIZE 4098
#define KWIMPT_METHOD_MAX 4095
#define KWIMPT_REFERENCE_SIZE 50
#define KWIMPT_MAX_OTHER_CATEGORIES 32
#define KWIMPT_MAX_INGREDIENTS 256
#define KWIMPT_INGREDIENT_NAME_SIZE 34
#define KWIMPT_PREPARATION_SIZE 50
#define KWIMPT_FILTER_NAME_SIZE 12 /* the longest filter name has 11 characters */

/* Filter indexes. */
enum KwImportFilter { KWIMPT_OWN_TEXT = 0, KWIMPT_MEAL_MASTER = 1, KWIMPT_MASTERCOOK = 2 };

/* Measure kinds and the no-amount unit choice. */
enum KwImportMeasure { KWIMPT_WEIGHT = 0, KWIMPT_VOLUME = 1, KWIMPT_ITEMS = 2 };
#define KWIMPT_NO_UNIT 4

#pragma pack(push, 1)

typedef struct ImportedIngredient {
    char name[KWIMPT_INGREDIENT_NAME_SIZE];    /* ingredient name, at most 33 characters */
    float quantity;                            /* base amount: g, ml or count */
    int32_t unitChoice;                        /* unit within the kind; 4 = no amount */
    int32_t measureKind;                       /* 0 weight, 1 volume, 2 items */
    char preparation[KWIMPT_PREPARATION_SIZE]; /* preparation note, at most 49 characters */
} ImportedIngredient;

typedef struct RecipeImportRecord {
    char name[KWIMPT_NAME_SIZE];           /* recipe name, at most 48 characters */
    char category[KWIMPT_CATEGORY_SIZE];   /* primary category, at most 32 characters */
    char method[KWIMPT_METHOD_SIZE];       /* method text, at most 4095 characters */
    int32_t totalTime;                     /* minutes */
    int32_t prepTime;                      /* minutes */
    int32_t servings;                      /* number of servings */
    int32_t calories;                      /* -1 when not known */
    float cost;                            /* -1.0 when not known */
    char dairyFree;                        /* 'Y' = yes */
    char glutenFree;                       /* 'Y' = yes */
    char vegetarian;                       /* 'Y' = yes */
    char difficulty;                       /* 'A', 'B' or 'C' */
    char reference[KWIMPT_REFERENCE_SIZE]; /* source of the recipe */
    int32_t otherCategoryCount;            /* 0 to 32 */
    /* other categories, at most 32 characters each */
    char otherCategories[KWIMPT_MAX_OTHER_CATEGORIES][KWIMPT_CATEGORY_SIZE];
    int32_t ingredientCount; /* 0 to 256 */
    ImportedIngredient ingredients[KWIMPT_MAX_INGREDIENTS];
} RecipeImportRecord;

#pragma pack(pop)

/*
 * Reads one recipe of text, starting at byte offset *position, with the given filter, into
 * record (cleared first). On return *position lies just past the last line consumed, so calling
 * again reads the next recipe. *warnings is set to the number of warnings logged for this recipe.
 * log is an open POSIX file descriptor the plug-in appends its log lines to, or -1 for none.
 *
 * Result: 0 a recipe was read; 1 a recipe was read but lacks its name or primary category (also
 * returned at once, with nothing read, for a filter index outside 0..2); -1 no recipe could be
 * read (no text left at the position, or the text ends inside the recipe's head).
 *
 * *position must lie within the text (0 up to its length), as a previous call leaves it.
 */
KWIMPT_API int32_t ImportRecipe(int32_t *position, const char *text, RecipeImportRecord *record,
                                int32_t *warnings, int32_t filter, int32_t log);

/*
 * For index 0..2 copies the filter's name with its terminator into name (which must hold
 * KWIMPT_FILTER_NAME_SIZE bytes) and returns 1; any other index returns 0 and leaves name alone.
 */
KWIMPT_API int32_t GetSupportedFormats(int32_t index, char *name);

/* The index of the first filter (0, 1, 2) whose detector accepts the start of text, or -1. */
KWIMPT_API int32_t GetBestFilter(const char *text);

/* Does nothing; kept for loaders that expect it. */
KWIMPT_API void WEP(int32_t unused);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* The layout checks: the record is a binary contract, so every offset is pinned here. */
#ifdef __cplusplus
#include <cstddef>
#define KWIMPT_CHECK(expr, what) static_assert(expr, what)
#else
#include <stddef.h>
#define KWIMPT_CHECK(expr, what) _Static_assert(expr, what)
#endif
KWIMPT_CHECK(sizeof(ImportedIngredient) == 96, "ImportedIngredient is 96 bytes");
KWIMPT_CHECK(offsetof(ImportedIngredient, name) == 0, "name at 0");
KWIMPT_CHECK(offsetof(ImportedIngredient, quantity) == 34, "quantity at 34");
KWIMPT_CHECK(offsetof(ImportedIngredient, unitChoice) == 38, "unitChoice at 38");
KWIMPT_CHECK(offsetof(ImportedIngredient, measureKind) == 42, "measureKind at 42");
KWIMPT_CHECK(offsetof(ImportedIngredient, preparation) == 46, "preparation at 46");
KWIMPT_CHECK(sizeof(RecipeImportRecord) == 29894, "RecipeImportRecord is 29,894 bytes");
KWIMPT_CHECK(offsetof(RecipeImportRecord, name) == 0, "name at 0");
KWIMPT_CHECK(offsetof(RecipeImportRecord, category) == 49, "category at 49");
KWIMPT_CHECK(offsetof(RecipeImportRecord, method) == 82, "method at 82");
KWIMPT_CHECK(offsetof(RecipeImportRecord, totalTime) == 4180, "totalTime at 4180");
KWIMPT_CHECK(offsetof(RecipeImportRecord, prepTime) == 4184, "prepTime at 4184");
KWIMPT_CHECK(offsetof(RecipeImportRecord, servings) == 4188, "servings at 4188");
KWIMPT_CHECK(offsetof(RecipeImportRecord, calories) == 4192, "calories at 4192");
KWIMPT_CHECK(offsetof(RecipeImportRecord, cost) == 4196, "cost at 4196");
KWIMPT_CHECK(offsetof(RecipeImportRecord, dairyFree) == 4200, "dairyFree at 4200");
KWIMPT_CHECK(offsetof(RecipeImportRecord, glutenFree) == 4201, "glutenFree at 4201");
KWIMPT_CHECK(offsetof(RecipeImportRecord, vegetarian) == 4202, "vegetarian at 4202");
KWIMPT_CHECK(offsetof(RecipeImportRecord, difficulty) == 4203, "difficulty at 4203");
KWIMPT_CHECK(offsetof(RecipeImportRecord, reference) == 4204, "reference at 4204");
KWIMPT_CHECK(offsetof(RecipeImportRecord, otherCategoryCount) == 4254, "count at 4254");
KWIMPT_CHECK(offsetof(RecipeImportRecord, otherCategories) == 4258, "categories at 4258");
KWIMPT_CHECK(offsetof(RecipeImportRecord, ingredientCount) == 5314, "count at 5314");
KWIMPT_CHECK(offsetof(RecipeImportRecord, ingredients) == 5318, "ingredients at 5318");
#undef KWIMPT_CHECK

#endif /* KWIMPT_H */
