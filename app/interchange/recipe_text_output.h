// Where the recipe window's Export commands send a recipe text (recipe_text_writer.h): a file
// ("Save To File...", offered as "recipe.txt"), the clipboard ("Copy to Clipboard") and mail
// ("Mail ..."). The window program makes the text, calls these and hands the results on (a save
// dialog, the clipboard, the desktop's mail program); nothing here shows a window.
//
//   target     what it gets
//   file       the text's bytes as they are: Windows-1252, CR LF
//   clipboard  the same text in UTF-8 (line breaks still CR LF), for a Unicode clipboard; pasting
//              it back into an import gives the same recipe
//   mail       subject "Kettleworth Recipe: " and the recipe name; with the setting
//              EmailAttachment on, the file's bytes as an attachment named "recipe.txt",
//              otherwise the text as the message body in UTF-8 with LF line breaks (the file
//              read back as text)
#pragma once

#include <string>
#include <string_view>

namespace kw {

// The save dialog of "Save To File...": its default extension and its filter (the file name it
// offers is kRecipeTextFileName, "recipe.txt").
inline constexpr char kRecipeTextDefaultExtension[] = "txt";
inline constexpr char kRecipeTextFileFilter[] = "Text Files (*.txt)|*.txt||";

// Writes the text to a new file at path (anything there before is replaced). False when the
// file cannot be made or written, with the errno value in *error, which the window shows as the
// cause in message 1100 rather than letting a failed save pass unnoticed.
bool WriteRecipeTextFile(const std::string &path, std::string_view recipeText,
                         int *error = nullptr);

// The text for the clipboard.
std::string RecipeClipboardText(std::string_view recipeText);

// A recipe mail, ready for the mail program's compose window (no recipient is set).
struct RecipeMail {
    std::string subject;         // UTF-8
    std::string body;            // UTF-8, LF line breaks; empty when the text is attached
    std::string attachmentName;  // "recipe.txt" when the text is attached, else empty
    std::string attachment;      // the file's bytes when attached (Windows-1252, CR LF)
};

// The mail of a recipe named recipeName (Windows-1252) with its text; asAttachment is the
// setting EmailAttachment.
RecipeMail ComposeRecipeMail(std::string_view recipeName, std::string_view recipeText,
                             bool asAttachment);

}  // namespace kw
