// Terminal message sink and progress line for kwtool.
#include "terminal.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "platform/text_encoding.h"

namespace kwtool {

kw::Answer TerminalSink::Show(const kw::UserMessage &message) {
    if (message.icon == kw::Icon::kExclamation || message.icon == kw::Icon::kStop) ++warnings_;
    std::string text = kw::platform::Cp1252ToUtf8(message.text);
    for (char &c : text)
        if (c == '\r') c = '\n';
    std::string head = message.id ? "[" + std::to_string(message.id) + "] " : "";
    bool question =
        message.buttons == kw::Buttons::kYesNo || message.buttons == kw::Buttons::kYesNoCancel;
    std::cerr << head << text;
    if (!question) {
        std::cerr << "\n";
        return message.buttons == kw::Buttons::kOkCancel ? kw::Answer::kCancel : kw::Answer::kOk;
    }
    kw::Answer answer = kw::Answer::kNo;
    if (policy_ == QuestionPolicy::kAlwaysYes) {
        answer = kw::Answer::kYes;
    } else if (policy_ == QuestionPolicy::kAskOnTerminal && ::isatty(STDIN_FILENO)) {
        std::cerr << " [y/N] " << std::flush;
        std::string reply;
        std::getline(std::cin, reply);
        answer = !reply.empty() && (reply[0] == 'y' || reply[0] == 'Y') ? kw::Answer::kYes
                                                                        : kw::Answer::kNo;
        return answer;
    }
    std::cerr << (answer == kw::Answer::kYes ? " -> yes\n" : " -> no\n");
    return answer;
}

void TerminalProgress::Begin(int low, int high, const std::string &text, const std::string &,
                             bool) {
    active_ = ::isatty(STDERR_FILENO);
    low_ = low;
    high_ = high > low ? high : low + 1;
    lastPercent_ = -1;
    text_ = kw::platform::Cp1252ToUtf8(text);
}

void TerminalProgress::SetPosition(int position) {
    if (!active_) return;
    if (position < low_) position = low_;
    if (position > high_) position = high_;
    int percent = static_cast<int>((static_cast<int64_t>(position - low_) * 100) / (high_ - low_));
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    std::fprintf(stderr, "\r%s %3d%%", text_.c_str(), percent);
    std::fflush(stderr);
}

void TerminalProgress::End() {
    if (active_ && lastPercent_ >= 0) std::fputs("\n", stderr);
    active_ = false;
}

}  // namespace kwtool
