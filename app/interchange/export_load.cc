// Loading an export file (see export_load.h): a line reader with progress and one line of
// push-back, the two section readers, and the writes of one ingredient and one recipe.
#include "app/interchange/export_load.h"

#include <climits>
#include <memory>
#include <vector>

#include "app/core/schema.h"
#include "app/data/record.h"
#include "app/interchange/exported_line.h"
#include "app/interchange/recipe_rows.h"
#include "app/interchange/scrambled_file.h"
#include "app/interchange/table_catalog.h"
#include "app/recipes/number_text.h"

namespace kw {
namespace {

using namespace schema;
using interchange::PutTextCut;

constexpr int kRecipeIntegerCount = 7;
constexpr const char *kRecipeIntegerFields[kRecipeIntegerCount] = {
    kFieldTotalTime, kFieldPrepTime,   kFieldServings,  kFieldCalories,
    kFieldDairyFree, kFieldGlutenFree, kFieldVegetarian};

struct PendingLine {
    std::string ingredient;
    float quantity = 0.0f;
    int choice = 0;
    int kind = 0;
    std::string preparation;
};

struct PendingRecipe {
    std::string name;
    std::string category;
    std::vector<std::string> others;
    std::vector<PendingLine> lines;
    std::string method;
    int32_t integers[kRecipeIntegerCount] = {};
    std::string difficulty;
    std::string reference;

    void Clear() {
        others.clear();
        lines.clear();  // keeps the capacity for the next recipe
    }
};

class ExportLoader {
  public:
    ExportLoader(CKWDatabase &database, ScrambledFile &file, const NumberSettings &settings,
                 MessageSink &sink, Progress &progress, LoadOutcome *outcome)
        : database_(database),
          file_(file),
          catalog_(database),
          settings_(settings),
          sink_(sink),
          progress_(progress),
          outcome_(*outcome) {}

    KWRESULT Open();
    void Run();
    bool Cancelled() const { return cancelled_; }

  private:
    // Reads the next line into line_ (the pushed-back one first); false at the end of the file
    // or when the user cancelled.
    bool Next();
    void Unread() { unread_ = true; }
    bool Is(std::string_view marker) const { return !long_ && line_ == marker; }
    bool IsSectionLine() const { return !long_ && line_.starts_with("=== "); }
    // After a record: the line must be "**"; anything else (also the end of the file) counts one
    // error, and a line that starts the next record or section is read again by the section
    // loop. False when the user cancelled.
    bool ExpectRecordEnd();

    void LoadIngredients();
    void LoadIngredient();
    void LoadRecipes();
    bool ReadRecipe();
    void ReadIngredientLine();
    void StoreRecipe();
    void CountRefusal(KWRESULT r);

    CKWDatabase &database_;
    ScrambledFile &file_;
    interchange::TableIngredientCatalog catalog_;
    const NumberSettings &settings_;
    MessageSink &sink_;
    Progress &progress_;
    LoadOutcome &outcome_;

    std::string line_;
    bool long_ = false;
    bool unread_ = false;
    bool cancelled_ = false;
    bool ended_ = false;
    int64_t size_ = 1;

    CKWRecord ingredients_, recipes_, categories_, links_, lines_, terms_;
    PendingRecipe recipe_;
};

KWRESULT ExportLoader::Open() {
    size_ = std::max<int64_t>(file_.Size(), 1);
    const std::pair<CKWRecord *, const char *> tables[] = {
        {&ingredients_, kTableIngredient}, {&recipes_, kTableRecipe},
        {&categories_, kTableCategory},    {&links_, kTableRecipeCategory},
        {&lines_, kTableRecipeIngredient}, {&terms_, kTablePreparation}};
    for (const auto &[record, table] : tables)
        if (KWRESULT r = record->OpenByName(&database_, table)) return r;
    return KW_OK;
}

bool ExportLoader::Next() {
    if (unread_) {
        unread_ = false;
        return true;
    }
    if (ended_ || cancelled_) return false;
    const bool whole = file_.ReadLine(&line_);
    long_ = file_.LastLineWasLongText();
    // The bar's range is an int; a file beyond 2 GiB moves it in proportion.
    const int64_t position = file_.Position();
    progress_.SetPosition(size_ <= INT_MAX ? static_cast<int>(position)
                                           : static_cast<int>(position * INT_MAX / size_));
    if (progress_.Cancelled()) cancelled_ = true;
    if (!whole) ended_ = true;  // a last line without its line end is not taken
    return whole && !cancelled_;
}

bool ExportLoader::ExpectRecordEnd() {
    if (!Next()) {
        if (cancelled_) return false;
        ++outcome_.errors;  // the file ended where "**" belongs
        return true;
    }
    if (Is("**")) return true;
    ++outcome_.errors;
    if (Is("*") || IsSectionLine()) Unread();
    return true;
}

void ExportLoader::CountRefusal(KWRESULT r) {
    if (r == BTERR_DUPLICATE)
        ++outcome_.duplicates;
    else
        ++outcome_.errors;
}

void ExportLoader::Run() {
    while (Next()) {
        if (!IsSectionLine()) continue;
        const std::string section = line_.substr(4);
        if (section == "INGREDIENTS")
            LoadIngredients();
        else if (section == "RECIPES")
            LoadRecipes();
    }
}

void ExportLoader::LoadIngredients() {
    while (Next()) {
        if (IsSectionLine()) {
            if (!Is("=== END")) Unread();
            return;
        }
        if (Is("*")) LoadIngredient();
    }
}

void ExportLoader::LoadIngredient() {
    std::string fields[8];
    for (std::string &field : fields) {
        if (!Next()) return;
        field = line_;
    }
    if (!ExpectRecordEnd()) return;

    const double cost = LeadingNumber(fields[4]);
    CKWRecord &r = ingredients_;
    r.ClearRecord();
    PutTextCut(r, kFieldName, fields[0], kTitleWidth);
    r.PutInt(kFieldUnits, LeadingInteger(fields[1]));
    r.PutInt(kFieldOpts, LeadingInteger(fields[2]));
    r.PutFloat(kFieldCalories, static_cast<float>(LeadingNumber(fields[3])));
    // Costs are per gram, millilitre or item, so real ones lie far below a cent: only a cost
    // that is not above zero means "not known".
    r.PutFloat(kFieldCost, cost > 0.0 ? static_cast<float>(cost) : -1.0f);
    PutTextCut(r, kFieldType, fields[5], kCodeWidth);
    r.PutInt(kFieldGluten, LeadingInteger(fields[6]));
    PutTextCut(r, kFieldInformation, fields[7], kInformationWidth);
    if (KWRESULT result = r.Insert())
        CountRefusal(result);
    else
        ++outcome_.ingredients;
}

void ExportLoader::LoadRecipes() {
    while (Next()) {
        if (IsSectionLine()) {
            if (!Is("=== END")) Unread();
            return;
        }
        if (Is("*") && ReadRecipe()) StoreRecipe();
    }
}

void ExportLoader::ReadIngredientLine() {
    const ExportedIngredientLine parts = SplitExportedIngredientLine(line_);
    UnitContext context{settings_, catalog_, sink_};
    const LoadedAmount amount =
        ResolveExportedAmount(context, parts.ingredient, parts.unit, ParseQuantity(parts.quantity));
    if (parts.ingredient.empty() || amount.choice < 0 || amount.choice > kUnspecifiedChoice ||
        amount.kind < kWeight || amount.kind > kItems) {
        ++outcome_.errors;
        return;
    }
    recipe_.lines.push_back({parts.ingredient, static_cast<float>(amount.baseAmount), amount.choice,
                             amount.kind, parts.preparation});
}

// Reads one recipe after its "*" into recipe_; false when the file ended or the load was
// cancelled before the recipe was whole.
bool ExportLoader::ReadRecipe() {
    recipe_.Clear();
    if (!Next()) return false;
    recipe_.name = line_;
    if (!Next()) return false;
    recipe_.category = line_;
    if (!Next()) return false;
    if (Is("$")) {
        while (Next() && !Is("$$"))
            recipe_.others.push_back(line_);
        if (!Next()) return false;
    }
    if (Is("*")) {
        while (Next() && !Is("**"))
            ReadIngredientLine();
        if (!Next()) return false;
    }
    recipe_.method = line_;
    for (int32_t &value : recipe_.integers) {
        if (!Next()) return false;
        value = LeadingInteger(line_);
    }
    if (!Next()) return false;
    recipe_.difficulty = line_;
    if (!Next()) return false;
    recipe_.reference = line_;
    return ExpectRecordEnd();
}

void ExportLoader::StoreRecipe() {
    const PendingRecipe &p = recipe_;
    CKWRecord &r = recipes_;
    r.ClearRecord();
    PutTextCut(r, kFieldName, p.name, kTitleWidth);
    PutTextCut(r, kFieldCategory, p.category, kCategoryWidth);
    PutTextCut(r, kFieldMethod, p.method, kMethodWidth);
    for (int i = 0; i < kRecipeIntegerCount; ++i)
        r.PutInt(kRecipeIntegerFields[i], p.integers[i]);
    r.PutFloat(kFieldCost, -1.0f);
    PutTextCut(r, kFieldDifficulty, p.difficulty, kCodeWidth);
    PutTextCut(r, kFieldReference, p.reference, kReferenceWidth);
    // The recipe first: the rows of a recipe that is already there (or cannot be stored) must
    // not be added to the stored one.
    if (KWRESULT result = r.Insert()) {
        CountRefusal(result);
        return;
    }
    ++outcome_.recipes;

    categories_.ClearRecord();
    PutTextCut(categories_, kFieldName, p.category, kCategoryWidth);
    categories_.Insert();
    auto link = [&](std::string_view other) {
        links_.ClearRecord();
        PutTextCut(links_, kFieldName, p.name, kTitleWidth);
        PutTextCut(links_, kFieldCategory, p.category, kCategoryWidth);
        PutTextCut(links_, kFieldOtherCategory, other, kCategoryWidth);
        links_.Insert();
    };
    link(p.category);
    for (const std::string &other : p.others)
        link(other);
    for (const PendingLine &line : p.lines) {
        lines_.ClearRecord();
        PutTextCut(lines_, kFieldName, p.name, kTitleWidth);
        PutTextCut(lines_, kFieldCategory, p.category, kCategoryWidth);
        PutTextCut(lines_, kFieldIngredient, line.ingredient, kTitleWidth);
        lines_.PutFloat(kFieldQuantity, line.quantity);
        lines_.PutInt(kFieldOpts, line.choice);
        lines_.PutInt(kFieldMeasured, line.kind);
        PutTextCut(lines_, kFieldPreparation, line.preparation, kPreparationWidth);
        lines_.Insert();
        if (line.preparation.empty()) continue;  // an empty term is no term
        terms_.ClearRecord();
        PutTextCut(terms_, kFieldPreparation, line.preparation, kPreparationWidth);
        terms_.Insert();
    }
}

}  // namespace

std::string LoadCompleteText(int duplicates, int errors) {
    return "Operation complete. " + std::to_string(duplicates) + " Duplicate(s), " +
           std::to_string(errors) + " Error(s)";
}

LoadOutcome LoadExportFile(CKWDatabase &database, const std::string &path,
                           const NumberSettings &settings, MessageSink &sink, Progress &progress) {
    LoadOutcome outcome;
    auto fail = [&](int error) {
        outcome.status = LoadOutcome::Status::kFileError;
        outcome.fileError = error != 0 ? error : EIO;
        sink.Say(1100, {std::to_string(outcome.fileError)}, Icon::kExclamation);
        return outcome;
    };
    int error = 0;
    std::unique_ptr<ScrambledFile> file = ScrambledFile::OpenForReading(path, &error);
    if (!file) return fail(error);

    const int64_t size = file->Size();
    progress.Begin(1, static_cast<int>(std::clamp<int64_t>(size, 1, INT_MAX)), "Loading file", "",
                   true);
    outcome.version = file->ReadHeader();
    if (outcome.version == -1) {
        progress.End();
        if (file->Error() != 0) return fail(file->Error());
        outcome.status = LoadOutcome::Status::kNotExportFile;
        sink.Say(606, {}, Icon::kExclamation);
        return outcome;
    }
    if (!ScrambledFile::IsKnownVersion(outcome.version)) {
        progress.End();
        outcome.status = LoadOutcome::Status::kUnsupportedVersion;
        sink.Say(607, {}, Icon::kExclamation);
        return outcome;
    }

    ExportLoader loader(database, *file, settings, sink, progress, &outcome);
    if (KWRESULT r = loader.Open()) {
        progress.End();
        outcome.status = LoadOutcome::Status::kDatabaseError;
        outcome.databaseError = r;
        sink.SayText("Failed to load data: " + std::to_string(r), Icon::kExclamation);
        return outcome;
    }
    loader.Run();
    progress.End();
    if (file->Error() != 0) return fail(file->Error());
    outcome.status =
        loader.Cancelled() ? LoadOutcome::Status::kCancelled : LoadOutcome::Status::kComplete;
    sink.SayText(LoadCompleteText(outcome.duplicates, outcome.errors), Icon::kExclamation);
    return outcome;
}

}  // namespace kw
