// The message table and sinks.
#include "app/core/messages.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

TEST(MessagesTest, TableIsSortedAndPlaceholdersFill) {
    EXPECT_STREQ(MessageText(1700), "%1 Recipe(s) match");
    EXPECT_EQ(MessageText(1), nullptr);
    EXPECT_EQ(FormatMessage(1401, {"2", "3"}).substr(0, 30), "2 Error(s) and 3 warning(s) we");
    EXPECT_EQ(FillPlaceholders("%1 and %2 and %3", {"a"}), "a and  and ");
    EXPECT_EQ(FillPlaceholders("100% sure %", {}), "100% sure %");
    // Every entry can be found: the lookup relies on the table being sorted.
    for (int id : {400, 513, 604, 1000, 1404, 1704})
        EXPECT_NE(MessageText(id), nullptr) << id;
}

TEST(MessagesTest, RecordingSinkAnswersFromItsScript) {
    RecordingSink sink(Answer::kNo);
    sink.Script(Answer::kYes);
    EXPECT_EQ(sink.Say(503, {}, Icon::kQuestion, Buttons::kYesNo), Answer::kYes);
    EXPECT_EQ(sink.Say(503, {}, Icon::kQuestion, Buttons::kYesNo), Answer::kNo);
    EXPECT_EQ(sink.Say(400), Answer::kOk);
    EXPECT_EQ(sink.Ids(), (std::vector<int>{503, 503, 400}));
    EXPECT_EQ(sink.Messages()[2].text, "Failed to save record");
}

}  // namespace
}  // namespace kw
