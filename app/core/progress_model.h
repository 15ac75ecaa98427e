// What the progress window draws, without the window: the range (always low < high), the
// position clamped into it, the filled part of the bar and the text drawn in the bar. The
// window keeps one ProgressModel and paints from it; tests check it directly.
//
// All arithmetic is exact integer arithmetic on 64 bits, so the percentage and the filled width
// are the true fraction cut toward zero (29 of 100 shows " 29%", never " 28%").
#pragma once

#include <string>

namespace kw {

class ProgressModel {
  public:
    // low < high keeps them, low == high makes high = low + 1, low > high swaps them. The
    // position moves to low. (At the top of the int range low == high moves low down instead.)
    void SetRange(int low, int high);
    // Drawn in the bar before the percentage; may be empty.
    void SetLabel(std::string label) { label_ = std::move(label); }
    // Positions outside the range count as the nearest end.
    void SetPosition(int position);

    int Low() const { return low_; }
    int High() const { return high_; }
    int Position() const { return position_; }
    const std::string &Label() const { return label_; }

    // The filled part of a bar barWidth pixels wide: barWidth times the fraction, cut toward
    // zero (0 for a negative width).
    int FilledWidth(int barWidth) const;
    // The fraction times 100, cut toward zero: 0 to 100.
    int Percent() const;
    // The label followed by ": " when it is not empty, then the percentage as "%3d%%".
    std::string BarText() const;

  private:
    int low_ = 0;
    int high_ = 1;
    int position_ = 0;
    std::string label_;
};

}  // namespace kw
