// Progress reporting for long operations (first-run archive loading, loading an export file,
// searching). A core calls Begin once, SetPosition between steps, checks Cancelled, and calls End
// on every exit path. The window program supplies a progress window that also pumps pending
// window messages in SetPosition; kwtool prints a progress line; tests record the calls.
#pragma once

#include <string>

namespace kw {

class Progress {
  public:
    virtual ~Progress() = default;
    // Shows the progress for the range [low, high] with a text line and a label drawn in the bar
    // before the percentage (may be empty); cancelEnabled offers the Cancel button.
    virtual void Begin(int low, int high, const std::string &text, const std::string &label,
                       bool cancelEnabled) = 0;
    virtual void SetPosition(int position) = 0;
    // Whether the user asked to cancel (always false when Cancel was not offered).
    virtual bool Cancelled() = 0;
    virtual void End() = 0;
};

// Reports nothing and is never cancelled.
class NullProgress final : public Progress {
  public:
    void Begin(int, int, const std::string &, const std::string &, bool) override {}
    void SetPosition(int) override {}
    bool Cancelled() override { return false; }
    void End() override {}
};

}  // namespace kw
