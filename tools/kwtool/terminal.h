// kwtool's faces of the core interfaces: messages go to the terminal with their number, questions
// are answered by the command line (--yes) or, on an interactive terminal, by the user; progress
// is a single line rewritten in place when standard error is a terminal.
#pragma once

#include <string>

#include "app/core/messages.h"
#include "app/core/progress.h"

namespace kwtool {

// How questions (Yes/No buttons) are answered.
enum class QuestionPolicy {
    kAskOnTerminal,  // ask when stdin is a terminal, else answer No
    kAlwaysYes,      // --yes
    kAlwaysNo
};

class TerminalSink final : public kw::MessageSink {
  public:
    explicit TerminalSink(QuestionPolicy policy = QuestionPolicy::kAskOnTerminal)
        : policy_(policy) {}
    kw::Answer Show(const kw::UserMessage &message) override;

    // Number of messages shown with the exclamation or stop icon.
    int Warnings() const { return warnings_; }

  private:
    QuestionPolicy policy_;
    int warnings_ = 0;
};

class TerminalProgress final : public kw::Progress {
  public:
    void Begin(int low, int high, const std::string &text, const std::string &label,
               bool cancelEnabled) override;
    void SetPosition(int position) override;
    bool Cancelled() override { return false; }
    void End() override;

  private:
    bool active_ = false;
    int low_ = 0, high_ = 1, lastPercent_ = -1;
    std::string text_;
};

}  // namespace kwtool
