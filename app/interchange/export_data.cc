// "Export Data" (see export_data.h): the walk over KWINGDAT and KWRECIPE with each recipe's
// KWRCPCAT links and KWRECING lines, written through ScrambledFile.
#include "app/interchange/export_data.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "app/core/schema.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/data/wait_cursor.h"
#include "app/interchange/recipe_rows.h"
#include "app/interchange/scrambled_file.h"
#include "app/interchange/table_catalog.h"
#include "app/recipes/units.h"
#include "platform/path.h"

namespace kw {
namespace {

using namespace schema;
using interchange::FieldText;

constexpr int kVersionWithOtherCategories = 108;
constexpr int kVersionWithout = 107;

// Lines that the loader reads as structure.
bool IsMarkerText(std::string_view text) {
    return text == "*" || text == "**" || text == "$" || text == "$$" || text.starts_with("=== ");
}

int32_t IntField(CKWRecord &record, const char *field) {
    int32_t value = 0;
    if (record.GetInt(field, &value) != KW_OK) value = 0;
    return value;
}

float FloatField(CKWRecord &record, const char *field) {
    float value = 0.0f;
    if (record.GetFloat(field, &value) != KW_OK) value = 0.0f;
    return value;
}

class ExportWriter {
  public:
    ExportWriter(CKWDatabase &database, ScrambledFile &file, const NumberSettings &settings,
                 MessageSink &sink)
        : database_(database), file_(file), catalog_(database), sink_(sink) {
        // Decimals and no nice rounding: the line is split at its first blank when loaded, and
        // it must load back as the amount stored.
        settings_ = settings;
        settings_.decimal = 1;
        settings_.exact = 1;
    }

    KWRESULT WriteIngredients(int *count);
    KWRESULT WriteRecipes(int *count, bool *anyOtherCategories);

  private:
    bool Text(std::string_view text) {
        return IsMarkerText(text) ? file_.WriteLongText(text) : file_.WriteText(text);
    }
    KWRESULT WriteOtherCategories(std::string_view category, std::string_view name, bool *written);
    KWRESULT WriteIngredientLines(std::string_view category, std::string_view name);
    std::string IngredientLine(CKWRecord &line);

    CKWDatabase &database_;
    ScrambledFile &file_;
    interchange::TableIngredientCatalog catalog_;
    MessageSink &sink_;
    NumberSettings settings_;
    // Opened on first use by the recipe section.
    CKWRecord links_, lines_;
    CKWQuery linksQuery_, linesQuery_;
};

KWRESULT ExportWriter::WriteIngredients(int *count) {
    CKWRecord ingredient;
    CKWQuery query;
    if (KWRESULT r = interchange::OpenIndexed(database_, kTableIngredient, kIngredientByName,
                                              &ingredient, &query))
        return r;
    file_.WriteText("=== INGREDIENTS");
    KWRESULT r = query.GetFirst();
    for (; r == KW_OK; r = query.GetNext()) {
        file_.WriteText("*");
        Text(FieldText(ingredient, kFieldName));
        file_.WriteInteger(IntField(ingredient, kFieldUnits));
        file_.WriteInteger(IntField(ingredient, kFieldOpts));
        file_.WriteReal(FloatField(ingredient, kFieldCalories));
        file_.WriteReal(FloatField(ingredient, kFieldCost));
        Text(FieldText(ingredient, kFieldType));
        file_.WriteInteger(IntField(ingredient, kFieldGluten));
        Text(FieldText(ingredient, kFieldInformation));
        file_.WriteText("**");
        ++*count;
        if (file_.Error() != 0) return KW_OK;
    }
    file_.WriteText("=== END");
    return r == KW_END || r == KW_START ? KW_OK : r;
}

KWRESULT ExportWriter::WriteOtherCategories(std::string_view category, std::string_view name,
                                            bool *written) {
    std::vector<std::string> others;
    KWRESULT r = interchange::ForEachRecipeRow(linksQuery_, category, name, [&] {
        std::string other = FieldText(links_, kFieldOtherCategory);
        if (other != FieldText(links_, kFieldCategory)) others.push_back(std::move(other));
    });
    if (r != KW_OK || others.empty()) return r;
    file_.WriteText("$");
    for (const std::string &other : others)
        Text(other);
    file_.WriteText("$$");
    *written = true;
    return KW_OK;
}

std::string ExportWriter::IngredientLine(CKWRecord &line) {
    const std::string ingredient = FieldText(line, kFieldIngredient);
    StoredIngredientLine stored;
    stored.quantity = FloatField(line, kFieldQuantity);
    stored.opts = IntField(line, kFieldOpts);
    int32_t measured = kOwnMeasureKind;
    if (line.GetInt(kFieldMeasured, &measured) != KW_OK) measured = kOwnMeasureKind;
    // Resolved here rather than in FormatIngredientLine, which would say 604 for every line of
    // an ingredient the catalogue lacks.
    stored.measured = measured == kOwnMeasureKind
                          ? IngredientMeasureKind(catalog_, sink_, ingredient, false)
                          : measured;
    stored.preparation = FieldText(line, kFieldPreparation);
    UnitContext context{settings_, catalog_, sink_};
    const IngredientLineText text = FormatIngredientLine(context, stored, ingredient, true);
    std::string out;
    out.reserve(text.quantity.size() + text.unit.size() + ingredient.size() +
                text.preparation.size() + 4);
    out.append(text.quantity).append(" ").append(text.unit).append(" ").append(ingredient);
    out.append(",,").append(text.preparation);
    return out;
}

KWRESULT ExportWriter::WriteIngredientLines(std::string_view category, std::string_view name) {
    file_.WriteText("*");
    KWRESULT r = interchange::ForEachRecipeRow(linesQuery_, category, name,
                                               [&] { Text(IngredientLine(lines_)); });
    file_.WriteText("**");
    return r;
}

KWRESULT ExportWriter::WriteRecipes(int *count, bool *anyOtherCategories) {
    CKWRecord recipe;
    CKWQuery query;
    if (KWRESULT r = interchange::OpenIndexed(database_, kTableRecipe, kRecipeByCategoryName,
                                              &recipe, &query))
        return r;
    if (KWRESULT r = interchange::OpenIndexed(database_, kTableRecipeCategory,
                                              kRecipeCategoryByRecipe, &links_, &linksQuery_))
        return r;
    if (KWRESULT r = interchange::OpenIndexed(database_, kTableRecipeIngredient,
                                              kRecipeIngredientByRecipe, &lines_, &linesQuery_))
        return r;
    file_.WriteText("=== RECIPES");
    KWRESULT r = query.GetFirst();
    for (; r == KW_OK; r = query.GetNext()) {
        const std::string name = FieldText(recipe, kFieldName);
        const std::string category = FieldText(recipe, kFieldCategory);
        file_.WriteText("*");
        Text(name);
        Text(category);
        if (KWRESULT rows = WriteOtherCategories(category, name, anyOtherCategories)) return rows;
        if (KWRESULT rows = WriteIngredientLines(category, name)) return rows;
        file_.WriteLongText(FieldText(recipe, kFieldMethod));
        for (const char *field : {kFieldTotalTime, kFieldPrepTime, kFieldServings, kFieldCalories,
                                  kFieldDairyFree, kFieldGlutenFree, kFieldVegetarian})
            file_.WriteInteger(IntField(recipe, field));
        Text(FieldText(recipe, kFieldDifficulty));
        Text(FieldText(recipe, kFieldReference));
        file_.WriteText("**");
        ++*count;
        if (file_.Error() != 0) return KW_OK;
    }
    file_.WriteText("=== END");
    return r == KW_END || r == KW_START ? KW_OK : r;
}

// Runs the export into file; the outcome's counts, version and errors.
void WriteExport(CKWDatabase &database, ScrambledFile &file, const ExportSelection &selection,
                 const NumberSettings &settings, MessageSink &sink, ExportOutcome *outcome) {
    ExportWriter writer(database, file, settings, sink);
    bool anyOtherCategories = false;
    if (selection.ingredients)
        outcome->databaseError = writer.WriteIngredients(&outcome->ingredients);
    if (selection.recipes && outcome->databaseError == KW_OK && file.Error() == 0) {
        outcome->databaseError = writer.WriteRecipes(&outcome->recipes, &anyOtherCategories);
        if (!anyOtherCategories) file.RewriteHeader(kVersionWithout);
    }
    outcome->version = file.Version();
}

}  // namespace

std::string ExportFilePath(const std::string &path) {
    return path.find('.') == std::string::npos ? path + ".sce" : path;
}

ExportOutcome ExportData(CKWDatabase &database, const std::string &path,
                         const ExportSelection &selection, const NumberSettings &settings,
                         MessageSink &sink) {
    ExportOutcome outcome;
    WaitCursor wait;
    const std::string temporary = path + ".~tmp";
    const int version = selection.recipes ? kVersionWithOtherCategories : kVersionWithout;
    int error = 0;
    std::unique_ptr<ScrambledFile> file = ScrambledFile::Create(temporary, version, &error);
    if (file) {
        WriteExport(database, *file, selection, settings, sink, &outcome);
        if (!file->Close()) error = file->Error();
    }
    if (file && error == 0 && outcome.databaseError == KW_OK) {
        errno = 0;
        if (std::rename(temporary.c_str(), path.c_str()) != 0) error = errno != 0 ? errno : EIO;
    }
    if (error != 0 || outcome.databaseError != KW_OK) platform::RemoveFile(temporary);
    if (error != 0) {
        outcome.fileError = error;
        sink.Say(1100, {std::to_string(error)}, Icon::kExclamation);
        return outcome;
    }
    if (outcome.databaseError != KW_OK) {
        sink.SayText("Failed to export data: " + std::to_string(outcome.databaseError),
                     Icon::kExclamation);
        return outcome;
    }
    outcome.ok = true;
    return outcome;
}

}  // namespace kw
