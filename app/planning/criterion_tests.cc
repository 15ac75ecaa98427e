// One recipe against one criterion (see criterion_tests.h).
#include "app/planning/criterion_tests.h"

#include <cstring>

#include "app/core/schema.h"

namespace kw::planning {
namespace {

using namespace kw::schema;

template <typename T>
bool Compare(char option, T field, T value) {
    switch (option) {
        case '<':
            return field < value;
        case '=':
            return field == value;
        case '>':
            return field > value;
        default:
            return false;
    }
}

// 0 found, 1 not found; anything else is a failure of the lookup itself.
KWRESULT Exists(CKWQuery &query, bool *found) {
    const KWRESULT r = query.GetExactFromRecord();
    if (r != KW_OK && r != KW_NOTFOUND) return r;
    *found = r == KW_OK;
    return KW_OK;
}

}  // namespace

KWRESULT ReadRecipeKey(CKWRecord &record, RecipeKeyBytes *key) {
    if (KWRESULT r = record.GetField(kFieldName, key->name)) return r;
    return record.GetField(kFieldCategory, key->category);
}

bool PreparedCriterion::ReadsRecipe() const {
    return test == CriterionTest::kFlag || test == CriterionTest::kDifficulty ||
           test == CriterionTest::kCompare;
}

PreparedCriterion PrepareCriterion(const SelectedCriterion &row) {
    PreparedCriterion prepared;
    prepared.definition = row.definition;
    if (!row.definition) return prepared;
    prepared.test = row.definition->test;
    prepared.option = row.options;
    switch (row.definition->entry) {
        case CriterionEntry::kTime:
            prepared.whole = ParseSearchMinutes(row.data);
            break;
        case CriterionEntry::kInteger:
            prepared.whole = ParseSearchCalories(row.data);
            break;
        case CriterionEntry::kDecimal:
            prepared.cost = ParseSearchCost(row.data);
            break;
        case CriterionEntry::kIngredient:
        case CriterionEntry::kCategory: {
            const size_t width = row.definition->entry == CriterionEntry::kIngredient
                                     ? schema::kTitleWidth
                                     : schema::kCategoryWidth;
            // A zero byte would end the stored text early and name some other ingredient.
            prepared.fits = row.data.size() <= width && row.data.find('\0') == std::string::npos;
            if (prepared.fits) std::memcpy(prepared.value, row.data.data(), row.data.size());
            break;
        }
        case CriterionEntry::kNone:
        case CriterionEntry::kChoice:
            break;
    }
    return prepared;
}

RecipeCandidateTester::RecipeCandidateTester(CKWDatabase &database) {
    if ((ready_ = recipe_.OpenByName(&database, kTableRecipe))) return;
    if ((ready_ = line_.OpenByName(&database, kTableRecipeIngredient))) return;
    if ((ready_ = link_.OpenByName(&database, kTableRecipeCategory))) return;
    recipeByKey_.SetIndex(&recipe_, kRecipeByCategoryName);
    lineByIngredient_.SetIndex(&line_, kRecipeIngredientByLine);
    linkByCategory_.SetIndex(&link_, kRecipeCategoryByLink);
}

KWRESULT RecipeCandidateTester::FindRecipe(const RecipeKeyBytes &key) {
    if (ready_) return ready_;
    recipe_.ClearRecord();
    if (KWRESULT r = recipe_.PutField(kFieldName, key.name)) return r;
    if (KWRESULT r = recipe_.PutField(kFieldCategory, key.category)) return r;
    return recipeByKey_.GetExactFromRecord();
}

KWRESULT RecipeCandidateTester::Test(const PreparedCriterion &criterion, const RecipeKeyBytes &key,
                                     CKWRecord &recipe, bool *passes) {
    if (ready_) return ready_;
    *passes = false;
    if (!criterion.definition) return KW_OK;
    if (criterion.ReadsRecipe()) return FieldTest(criterion, recipe, passes);
    return RecordTest(criterion, key, passes);
}

KWRESULT RecipeCandidateTester::RecordTest(const PreparedCriterion &criterion,
                                           const RecipeKeyBytes &key, bool *passes) {
    const bool wantsRecord =
        criterion.test == CriterionTest::kContains || criterion.test == CriterionTest::kInCategory;
    bool found = false;
    if (criterion.fits) {
        const bool ingredient = criterion.test == CriterionTest::kContains ||
                                criterion.test == CriterionTest::kNotContains;
        CKWRecord &record = ingredient ? line_ : link_;
        record.ClearRecord();
        if (KWRESULT r = record.PutField(kFieldName, key.name)) return r;
        if (KWRESULT r = record.PutField(kFieldCategory, key.category)) return r;
        if (KWRESULT r = record.PutField(criterion.definition->field, criterion.value)) return r;
        if (KWRESULT r = Exists(ingredient ? lineByIngredient_ : linkByCategory_, &found)) return r;
    }
    *passes = found == wantsRecord;
    return KW_OK;
}

KWRESULT RecipeCandidateTester::FieldTest(const PreparedCriterion &criterion, CKWRecord &recipe,
                                          bool *passes) {
    const char *field = criterion.definition->field;
    char type = 0;
    int32_t width = 0;
    if (KWRESULT r = recipe.GetFieldType(field, &type, &width)) return r;
    if (width < 0 || width > CKWRecord::kMaxFieldWidth) return KWERR_FIELDWIDTH;
    char stored[CKWRecord::kMaxFieldWidth];
    if (KWRESULT r = recipe.GetField(field, stored)) return r;
    *passes = StoredFieldPasses(criterion, stored, type, width);
    return KW_OK;
}

bool StoredFieldPasses(const PreparedCriterion &criterion, const char *stored, char type,
                       int32_t width) {
    if (!criterion.definition || width <= 0) return false;
    const char *field = criterion.definition->field;
    switch (criterion.test) {
        case CriterionTest::kFlag:
        case CriterionTest::kDifficulty: {
            const char wanted = criterion.test == CriterionTest::kFlag ? kTrue : criterion.option;
            return wanted != 0 && stored[0] == wanted;
        }
        case CriterionTest::kCompare: {
            if (std::strcmp(field, kFieldCost) == 0) {
                const float cost = CKWRecord::FloatFromStored(stored, width);
                return cost >= 0.0f && Compare(criterion.option, cost, criterion.cost);
            }
            const int32_t value = CKWRecord::IntFromStored(stored, type, width);
            const bool unknown = value < 0 && std::strcmp(field, kFieldCalories) == 0;
            return !unknown && Compare(criterion.option, value, criterion.whole);
        }
        default:
            return false;
    }
}

}  // namespace kw::planning
