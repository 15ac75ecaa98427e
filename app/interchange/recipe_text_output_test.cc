// The recipe text's destinations: the file's exact bytes, the clipboard's and the mail's UTF-8,
// and each of them read back by the import filter as the same recipe.
#include "app/interchange/recipe_text_output.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "app/interchange/recipe_text_writer.h"
#include "app/interchange/testing.h"
#include "app/interchange/text_file.h"
#include "import_test_support.h"
#include "kwimpt.h"
#include "platform/text_encoding.h"

namespace kw {
namespace {

using import::testing::ReadOne;

std::string WithoutCr(std::string text) {
    std::erase(text, '\r');
    return text;
}

// A small recipe text with a Windows-1252 letter (0xE8, e grave) in its name.
std::string CremeText() {
    RecipeTextValues recipe;
    recipe.name = "Cr\xE8me caramel";
    recipe.category = "Desserts";
    recipe.method = "Caramelise the sugar.\r\nBake in a bain-marie.";
    recipe.servings = 6;
    return FormatRecipeText(recipe, std::vector<RecipeTextLine>{{"4", "items", "Eggs", ""}});
}

TEST(RecipeTextOutput, FileHoldsTheTextsBytesExactly) {
    testing::TempDir dir;
    const std::string path = dir.File(kRecipeTextFileName);
    const std::string text = CremeText();
    ASSERT_TRUE(WriteRecipeTextFile(path, text));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path, &bytes));
    EXPECT_EQ(bytes, text);
    // A second save replaces the file rather than writing over its start.
    ASSERT_TRUE(WriteRecipeTextFile(path, "x\r\n"));
    ASSERT_TRUE(ReadWholeFile(path, &bytes));
    EXPECT_EQ(bytes, "x\r\n");
}

TEST(RecipeTextOutput, FileThatCannotBeWrittenIsReported) {
    testing::TempDir dir;
    int error = 0;
    EXPECT_FALSE(WriteRecipeTextFile(dir.File("missing/recipe.txt"), CremeText(), &error));
    EXPECT_EQ(error, ENOENT);
}

TEST(RecipeTextOutput, ClipboardTextPastesBackAsTheSameRecipe) {
    const std::string clipboard = RecipeClipboardText(CremeText());
    EXPECT_NE(clipboard.find("Cr\xC3\xA8me caramel"), std::string::npos);  // UTF-8
    const auto back = ReadOne(platform::Utf8ToCp1252(clipboard), KWIMPT_OWN_TEXT);
    EXPECT_EQ(back.result, 0);
    EXPECT_EQ(back.name, "Cr-me caramel");  // the filter keeps only plain letters in a name
    EXPECT_EQ(back.method, "Caramelise the sugar.\r\nBake in a bain-marie.\r\n");
}

TEST(RecipeTextOutput, MailAsBodyOrAsAttachment) {
    const std::string text = CremeText();
    const RecipeMail body = ComposeRecipeMail("Cr\xE8me caramel", text, false);
    EXPECT_EQ(body.subject, "Kettleworth Recipe: Cr\xC3\xA8me caramel");
    EXPECT_EQ(body.body.find('\r'), std::string::npos);
    EXPECT_EQ(platform::Utf8ToCp1252(body.body), WithoutCr(text));
    EXPECT_TRUE(body.attachmentName.empty());
    EXPECT_TRUE(body.attachment.empty());
    EXPECT_EQ(ReadOne(platform::Utf8ToCp1252(body.body), KWIMPT_OWN_TEXT).servings, 6);

    const RecipeMail attached = ComposeRecipeMail("Cr\xE8me caramel", text, true);
    EXPECT_EQ(attached.subject, body.subject);
    EXPECT_TRUE(attached.body.empty());
    EXPECT_EQ(attached.attachmentName, "recipe.txt");
    EXPECT_EQ(attached.attachment, text);
}

}  // namespace
}  // namespace kw
