// The schema of the recipe database KWDATA2: ten permanent tables in a fixed order (the order in
// which they are defined and opened) and the search-result table KWTMPRES, which stands apart
// and is defined only while the search results are shown. The engine stores no layouts, so the
// program hands it these definitions at every open.
//
// The definitions are static storage for the whole run: the engine keeps pointers to them while
// the database is open and writes forced widths into the field descriptors (every width here is
// already the forced one, so those writes change nothing). Callers never change them.
//
//   TABLE     FIELDS (type width)                                     INDEXES (no. key flags)
//   KWRECIPE  NAME C48, CATEGORY C32, METHOD C4096, TOTALTIM I4,      0 CATEGORY+NAME 0x111
//             PREPTIME I4, NOOFSERV I4, CALORIES I4, COST F4.2,       1 CATEGORY 0x110
//             DAIRYFRE L1, GLUTENFR L1, VEGETARI L1, DIFFICUL C1,     2 NAME 0x110
//             REFERENC C48, UNIQUE U4                                 3 VEGETARI 0x010
//   KWRECING  NAME C48, CATEGORY C32, INGREDIE C48, QUANTITY F4.2,    0 CATEGORY+NAME 0x110
//             OPTS I4, MEASURED I4, PREPARAT C48, UNIQUE U4           1 NAME+CATEGORY+INGREDIE
//             0x111
//                                                                     2 INGREDIE 0x110
//                                                                     3 CATEGORY 0x110
//   KWCAT     NAME C32                                                0 NAME 0x111
//   KWINGDAT  NAME C48, UNITS I4, OPTS I4, CALORIES F4, COST F4.2,    0 NAME 0x111
//             TYPE C1, GLUTEN L1, INFORMAT C64, UNIQUE U4             1 NAME(0,1) 0x110
//                                                                     2 NAME(0,2) 0x110
//                                                                     3 NAME(0,3) 0x110
//   KWLIST    NAME C48                                                0 NAME 0x111
//   KWLISTCT  NAME C48, INGREDIE C48, QUANTITY F4.2, OPTS I4,         0 NAME 0x110
//             MEASURED I4, UNIQUE U4                                  2 NAME+INGREDIE 0x110
//                                                                     3 NAME+INGREDIE+MEASURED
//                                                                     0x111
//   KWMEALS   NAME C48, SERVES I4                                     0 NAME 0x111
//   KWMEALCT  NAME C48, RECIPE C48, CATEGORY C32, TYPE C1, UNIQUE U4  0 NAME 0x110
//                                                                     1 NAME+RECIPE+CATEGORY+TYPE
//                                                                     0x111
//   KWPREP    PREPARAT C48                                            0 PREPARAT 0x111
//   KWRCPCAT  NAME C48, CATEGORY C32, OTHERCAT C32, UNIQUE U4         0 CATEGORY+NAME 0x110
//                                                                     1 CATEGORY+NAME+OTHERCAT
//                                                                     0x111 2 OTHERCAT 0x110 3
//                                                                     CATEGORY 0x110
//   KWTMPRES  NAME C48, CATEGORY C32, HITS I4, UNIQUE U4              0 NAME+CATEGORY 0x111
//                                                                     1 HITS 0x020
//
// Flags: 0x111 unique, character keys, case ignored; 0x110 the same, not unique (the engine
// appends UNIQUE, so equal keys stay apart in serial order); 0x010 not unique, case significant;
// 0x020 not unique, integer keys. KWLISTCT has no index number 1: the numbers name the files
// KWLISTCT.i00, .i02 and .i03, and are what CKWTable::FindIndex takes.
//
// Relations the program keeps (the engine does not): a recipe is the pair (CATEGORY, NAME); its
// KWRECING lines and KWRCPCAT links carry that pair, and every recipe has a KWRCPCAT link to its
// own CATEGORY; KWMEALCT carries the meal's NAME and the recipe in RECIPE/CATEGORY; KWLISTCT
// carries the list's NAME.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "kwdata.h"

namespace kw::schema {

inline constexpr char kDatabaseName[] = "KWDATA2";

// Tables, in the order of the array.
inline constexpr char kTableRecipe[] = "KWRECIPE";
inline constexpr char kTableRecipeIngredient[] = "KWRECING";
inline constexpr char kTableCategory[] = "KWCAT";
inline constexpr char kTableIngredient[] = "KWINGDAT";
inline constexpr char kTableList[] = "KWLIST";
inline constexpr char kTableListItem[] = "KWLISTCT";
inline constexpr char kTableMeal[] = "KWMEALS";
inline constexpr char kTableMealItem[] = "KWMEALCT";
inline constexpr char kTablePreparation[] = "KWPREP";
inline constexpr char kTableRecipeCategory[] = "KWRCPCAT";
// Apart from the array.
inline constexpr char kTableSearchResult[] = "KWTMPRES";

inline constexpr int32_t kTableCount = 10;

// Fields (a name may belong to several tables).
inline constexpr char kFieldName[] = "NAME";
inline constexpr char kFieldCategory[] = "CATEGORY";
inline constexpr char kFieldMethod[] = "METHOD";
inline constexpr char kFieldTotalTime[] = "TOTALTIM";
inline constexpr char kFieldPrepTime[] = "PREPTIME";
inline constexpr char kFieldServings[] = "NOOFSERV";
inline constexpr char kFieldCalories[] = "CALORIES";
inline constexpr char kFieldCost[] = "COST";
inline constexpr char kFieldDairyFree[] = "DAIRYFRE";
inline constexpr char kFieldGlutenFree[] = "GLUTENFR";
inline constexpr char kFieldVegetarian[] = "VEGETARI";
inline constexpr char kFieldDifficulty[] = "DIFFICUL";
inline constexpr char kFieldReference[] = "REFERENC";
inline constexpr char kFieldUnique[] = "UNIQUE";
inline constexpr char kFieldIngredient[] = "INGREDIE";
inline constexpr char kFieldQuantity[] = "QUANTITY";
inline constexpr char kFieldOpts[] = "OPTS";
inline constexpr char kFieldMeasured[] = "MEASURED";
inline constexpr char kFieldPreparation[] = "PREPARAT";
inline constexpr char kFieldUnits[] = "UNITS";
inline constexpr char kFieldType[] = "TYPE";
inline constexpr char kFieldGluten[] = "GLUTEN";
inline constexpr char kFieldInformation[] = "INFORMAT";
inline constexpr char kFieldServes[] = "SERVES";
inline constexpr char kFieldRecipe[] = "RECIPE";
inline constexpr char kFieldOtherCategory[] = "OTHERCAT";
inline constexpr char kFieldHits[] = "HITS";

// Widths of the text fields.
inline constexpr int32_t kTitleWidth = 48;        // recipe, ingredient, meal and list titles
inline constexpr int32_t kCategoryWidth = 32;     // CATEGORY, OTHERCAT, KWCAT NAME
inline constexpr int32_t kMethodWidth = 4096;     // KWRECIPE METHOD
inline constexpr int32_t kReferenceWidth = 48;    // KWRECIPE REFERENC
inline constexpr int32_t kPreparationWidth = 48;  // PREPARAT
inline constexpr int32_t kInformationWidth = 64;  // KWINGDAT INFORMAT
inline constexpr int32_t kCodeWidth = 1;          // DIFFICUL, TYPE

// Index definition numbers (CKWTable::FindIndex, CKWQuery::SetIndex).
inline constexpr int32_t kRecipeByCategoryName = 0;  // CATEGORY+NAME, unique
inline constexpr int32_t kRecipeByCategory = 1;
inline constexpr int32_t kRecipeByName = 2;
inline constexpr int32_t kRecipeByVegetarian = 3;
inline constexpr int32_t kRecipeIngredientByRecipe = 0;  // CATEGORY+NAME
inline constexpr int32_t kRecipeIngredientByLine = 1;    // NAME+CATEGORY+INGREDIE, unique
inline constexpr int32_t kRecipeIngredientByIngredient = 2;
inline constexpr int32_t kRecipeIngredientByCategory = 3;
inline constexpr int32_t kCategoryByName = 0;                 // unique
inline constexpr int32_t kIngredientByName = 0;               // unique
inline constexpr int32_t kIngredientByFirstLetter = 1;        // NAME(0,1)
inline constexpr int32_t kIngredientByFirstTwoLetters = 2;    // NAME(0,2)
inline constexpr int32_t kIngredientByFirstThreeLetters = 3;  // NAME(0,3)
inline constexpr int32_t kListByName = 0;                     // unique
inline constexpr int32_t kListItemByList = 0;                 // NAME
inline constexpr int32_t kListItemByItem = 2;                 // NAME+INGREDIE
inline constexpr int32_t kListItemByItemMeasure = 3;          // NAME+INGREDIE+MEASURED, unique
inline constexpr int32_t kMealByName = 0;                     // unique
inline constexpr int32_t kMealItemByMeal = 0;                 // NAME
inline constexpr int32_t kMealItemByCourse = 1;               // NAME+RECIPE+CATEGORY+TYPE, unique
inline constexpr int32_t kPreparationByTerm = 0;              // unique
inline constexpr int32_t kRecipeCategoryByRecipe = 0;         // CATEGORY+NAME
inline constexpr int32_t kRecipeCategoryByLink = 1;           // CATEGORY+NAME+OTHERCAT, unique
inline constexpr int32_t kRecipeCategoryByOther = 2;          // OTHERCAT
inline constexpr int32_t kRecipeCategoryByCategory = 3;
inline constexpr int32_t kSearchResultByRecipe = 0;  // NAME+CATEGORY, unique
inline constexpr int32_t kSearchResultByHits = 1;

// Values of the logical fields and the course codes of KWMEALCT TYPE.
inline constexpr char kTrue = 'T';
inline constexpr char kFalse = 'F';
inline constexpr char kCourseStarter = 'S';
inline constexpr char kCourseMain = 'M';
inline constexpr char kCourseDessert = 'A';

// The ten table definitions in order (kTableCount of them), for CKWDatabase::Open and Create.
KW_TableDef *RecipeTables();
// KWTMPRES, for CKWDatabase::AddTableWithIndexes.
KW_TableDef *SearchResultTable();

// Read-only views for code that only looks: the ten tables, and any of the eleven by name
// (null when there is none).
std::span<const KW_TableDef> RecipeTableList();
const KW_TableDef *FindTableDefinition(std::string_view name);

}  // namespace kw::schema
