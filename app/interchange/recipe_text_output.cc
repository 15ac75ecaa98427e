// The recipe text's three destinations; see recipe_text_output.h.
#include "app/interchange/recipe_text_output.h"

#include "app/interchange/recipe_text_writer.h"
#include "app/interchange/text_file.h"
#include "platform/text_encoding.h"

namespace kw {
namespace {

constexpr char kMailSubject[] = "Kettleworth Recipe: ";

// The text as a file read in text mode gives it: CR LF as LF.
std::string WithLfLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.push_back(text[i]);
    }
    return out;
}

}  // namespace

bool WriteRecipeTextFile(const std::string &path, std::string_view recipeText, int *error) {
    return WriteCp1252TextFile(path, recipeText, error);
}

std::string RecipeClipboardText(std::string_view recipeText) {
    return platform::Cp1252ToUtf8(recipeText);
}

RecipeMail ComposeRecipeMail(std::string_view recipeName, std::string_view recipeText,
                             bool asAttachment) {
    RecipeMail mail;
    mail.subject = platform::Cp1252ToUtf8(std::string(kMailSubject) + std::string(recipeName));
    if (asAttachment) {
        mail.attachmentName = kRecipeTextFileName;
        mail.attachment = recipeText;
    } else {
        mail.body = platform::Cp1252ToUtf8(WithLfLineBreaks(recipeText));
    }
    return mail;
}

}  // namespace kw
