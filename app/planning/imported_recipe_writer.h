// For tests and benchmarks of the planning cores: stores recipes read by the import filter the
// way the program's import stores them — the KWRECIPE record, the primary category in KWCAT,
// one KWRECING line per ingredient (a second line for the same ingredient is refused by the
// unique index and left out), and the KWRCPCAT links: each other category, then the primary
// category itself. Generated Meal-Master text carries no times, calories, cost, diet flags or
// difficulty, so the writer fills those from a seeded sequence, to give searches something to
// tell apart; the same seed gives the same database.
//
// Not part of the library: the program's own import driver is the import of the interchange
// folder. Header-only, no test framework, so the benchmarks can use it too.
#pragma once

#include <cstdint>
#include <string>

#include "app/core/schema.h"
#include "app/data/database.h"
#include "app/data/record.h"
#include "kwimpt.h"

namespace kw::planning::testing {

class ImportedRecipeWriter final {
  public:
    explicit ImportedRecipeWriter(CKWDatabase &database, uint64_t seed = 1) : state_(seed | 1) {
        recipe_.OpenByName(&database, schema::kTableRecipe);
        line_.OpenByName(&database, schema::kTableRecipeIngredient);
        category_.OpenByName(&database, schema::kTableCategory);
        link_.OpenByName(&database, schema::kTableRecipeCategory);
    }

    // Stores one record; 0, or the refusal of the KWRECIPE insert (303 for a recipe whose title
    // and category are stored already), in which case nothing is written.
    KWRESULT Store(const RecipeImportRecord &record) {
        using namespace schema;
        recipe_.ClearRecord();
        recipe_.PutString(kFieldName, record.name);
        recipe_.PutString(kFieldCategory, record.category);
        recipe_.PutString(kFieldMethod, record.method);
        const int32_t servings = record.servings;
        recipe_.PutInt(kFieldServings, servings);
        const int32_t prep = Draw(4) == 0 ? 0 : static_cast<int32_t>(Draw(181));
        recipe_.PutInt(kFieldPrepTime, prep);
        recipe_.PutInt(kFieldTotalTime, prep + static_cast<int32_t>(Draw(241)));
        recipe_.PutInt(kFieldCalories, Draw(10) == 0 ? -1 : 50 + static_cast<int32_t>(Draw(1451)));
        recipe_.PutFloat(kFieldCost,
                         Draw(10) == 0 ? -1.0f : static_cast<float>(Draw(2000) + 1) / 100.0f);
        recipe_.PutInt(kFieldVegetarian, Draw(3) == 0);
        recipe_.PutInt(kFieldGlutenFree, Draw(4) == 0);
        recipe_.PutInt(kFieldDairyFree, Draw(4) == 0);
        static constexpr char kDifficulty[] = {'A', 'B', 'C', '\0'};
        recipe_.PutString(kFieldDifficulty, std::string(1, kDifficulty[Draw(4)]).c_str());
        recipe_.PutString(kFieldReference, record.reference);
        if (KWRESULT r = recipe_.Insert()) return r;

        category_.ClearRecord();
        category_.PutString(kFieldName, record.category);
        category_.Insert();

        const int32_t ingredients = record.ingredientCount;
        for (int32_t i = 0; i < ingredients && i < KWIMPT_MAX_INGREDIENTS; ++i) {
            const ImportedIngredient &in = record.ingredients[i];
            line_.ClearRecord();
            line_.PutString(kFieldName, record.name);
            line_.PutString(kFieldCategory, record.category);
            line_.PutString(kFieldIngredient, in.name);
            const float quantity = in.quantity;
            const int32_t choice = in.unitChoice, kind = in.measureKind;
            line_.PutFloat(kFieldQuantity, quantity);
            line_.PutInt(kFieldOpts, choice);
            line_.PutInt(kFieldMeasured, kind);
            line_.PutString(kFieldPreparation, in.preparation);
            line_.Insert();
        }
        const int32_t others = record.otherCategoryCount;
        for (int32_t c = 0; c < others && c < KWIMPT_MAX_OTHER_CATEGORIES; ++c) {
            category_.ClearRecord();
            category_.PutString(kFieldName, record.otherCategories[c]);
            category_.Insert();
            Link(record, record.otherCategories[c]);
        }
        Link(record, record.category);
        return KW_OK;
    }

  private:
    void Link(const RecipeImportRecord &record, const char *other) {
        using namespace schema;
        link_.ClearRecord();
        link_.PutString(kFieldName, record.name);
        link_.PutString(kFieldCategory, record.category);
        link_.PutString(kFieldOtherCategory, other);
        link_.Insert();
    }

    // A number below bound from a 64-bit linear congruential sequence (high bits).
    uint32_t Draw(uint32_t bound) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>((state_ >> 33) % bound);
    }

    uint64_t state_;
    CKWRecord recipe_, line_, category_, link_;
};

}  // namespace kw::planning::testing
