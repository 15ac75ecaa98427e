// User messages: the one numbered table of message texts and the small interface through which
// every core reports to the user. A core never shows a window; it hands a UserMessage to a
// MessageSink and acts on the Answer. The window program's sink shows a message box; kwtool's
// prints to the terminal; tests script the answers and check what was said.
//
// Texts are Windows-1252 bytes with "%1".."%9" placeholders, filled in by FormatMessage.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace kw {

enum class Icon { kNone, kInformation, kExclamation, kQuestion, kStop };
enum class Buttons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class Answer { kOk, kCancel, kYes, kNo };

// The text of message id, or nullptr when the table has no such message.
const char *MessageText(int id);

// Replaces "%1".."%9" in text with args[0]..args[8]; "%%" stays "%%"; a placeholder without an
// argument becomes empty.
std::string FillPlaceholders(const std::string &text, const std::vector<std::string> &args);

// The message's text with its placeholders filled in ("" for an unknown id).
std::string FormatMessage(int id, const std::vector<std::string> &args = {});

// For the texts that have no number in the table and take engine results or counts the printf
// way ("Failed to create database: %d"): each "%d" replaced, in order, by the next value in
// decimal; a "%d" without a value stays as it is.
std::string FillDecimals(const std::string &text, const std::vector<long long> &values);

struct UserMessage {
    int id = 0;        // table number; 0 for a text that has no number
    std::string text;  // the final text, placeholders filled in
    Icon icon = Icon::kNone;
    Buttons buttons = Buttons::kOk;
};

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual Answer Show(const UserMessage &message) = 0;

    // Shows message id with its arguments.
    Answer Say(int id, const std::vector<std::string> &args = {}, Icon icon = Icon::kNone,
               Buttons buttons = Buttons::kOk);
    // Shows a text that has no number in the table (already filled in).
    Answer SayText(const std::string &text, Icon icon = Icon::kNone,
                   Buttons buttons = Buttons::kOk);
};

// Answers every question with a fixed answer and remembers nothing: for batch use.
class SilentSink final : public MessageSink {
  public:
    explicit SilentSink(Answer answer = Answer::kYes) : answer_(answer) {}
    Answer Show(const UserMessage &message) override;

  private:
    Answer answer_;
};

// Records every message and answers from a script (then with the fallback): for tests.
class RecordingSink final : public MessageSink {
  public:
    explicit RecordingSink(Answer fallback = Answer::kYes) : fallback_(fallback) {}
    Answer Show(const UserMessage &message) override;

    void Script(Answer answer) { script_.push_back(answer); }
    const std::vector<UserMessage> &Messages() const { return messages_; }
    std::vector<int> Ids() const;
    void Clear() { messages_.clear(); }

  private:
    Answer fallback_;
    std::deque<Answer> script_;
    std::vector<UserMessage> messages_;
};

}  // namespace kw
