// Where the parts of a KWSPIN32 control lie in its client area, in pixels: the edit box, the
// 17-pixel arrow buttons (the hours button at the left in time mode, the other at the right),
// their halves and the arrow triangles. Pure arithmetic, so hit-testing and layout are tested
// without a window.
//
//   time mode:   | hours |       edit box        | minutes |     number mode: | edit | number |
//                | 17 px | 17 .. width - 17      |  17 px  |
//
// Each button is split into a first half (upper, or left with KWSS_HORIZONTAL) and a second
// half (lower, or right). An odd pixel goes to the second half.
#pragma once

namespace kw::ctrl {

inline constexpr int kArrowButtonWidth = 17;

struct SpinRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool Contains(int px, int py) const {
        return px >= x && px < x + width && py >= y && py < y + height;
    }
    bool Empty() const { return width <= 0 || height <= 0; }
};

struct SpinLayout {
    SpinRect edit;
    SpinRect left;  // empty outside time mode
    SpinRect right;
};

SpinLayout LayoutSpin(unsigned style, int width, int height);

// The rectangle of one half, named by its KWSB_ pressed bit (empty for other bits).
SpinRect HalfRect(unsigned style, int width, int height, unsigned halfBit);

// The half under the point as a KWSB_ pressed bit, or 0 when the point is on no arrow button.
unsigned HitTestSpin(unsigned style, int width, int height, int x, int y);

enum class ArrowDirection { kUp, kDown, kLeft, kRight };

// The way a half's triangle points: first halves up (or left), second halves down (or right).
ArrowDirection ArrowFor(unsigned style, unsigned halfBit);

struct SpinPoint {
    int x = 0;
    int y = 0;
};

// A triangle as apex and the two base corners, centred in the half; a pressed half's triangle
// is shifted one pixel right and down.
struct SpinTriangle {
    SpinPoint points[3];
};
SpinTriangle ArrowTriangle(const SpinRect &half, ArrowDirection direction, bool pressed);

}  // namespace kw::ctrl
