// Layout and hit-testing of a KWSPIN32 control. See spin_geometry.h.
#include "spin_geometry.h"

#include <algorithm>

#include "kwctrl_defs.h"

namespace kw::ctrl {
namespace {

bool IsHorizontal(unsigned style) {
    return (style & KWSS_HORIZONTAL) != 0;
}

SpinRect FirstHalf(unsigned style, const SpinRect &button) {
    if (IsHorizontal(style)) return {button.x, button.y, button.width / 2, button.height};
    return {button.x, button.y, button.width, button.height / 2};
}

SpinRect SecondHalf(unsigned style, const SpinRect &button) {
    if (IsHorizontal(style)) {
        int first = button.width / 2;
        return {button.x + first, button.y, button.width - first, button.height};
    }
    int first = button.height / 2;
    return {button.x, button.y + first, button.width, button.height - first};
}

}  // namespace

SpinLayout LayoutSpin(unsigned style, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    SpinLayout layout;
    int right = std::max(width - kArrowButtonWidth, 0);
    layout.right = {right, 0, width - right, height};
    int editLeft = 0;
    if (style & KWSS_TIME) {
        layout.left = {0, 0, std::min(kArrowButtonWidth, width), height};
        editLeft = std::min(kArrowButtonWidth, right);
    }
    layout.edit = {editLeft, 0, right - editLeft, height};
    return layout;
}

SpinRect HalfRect(unsigned style, int width, int height, unsigned halfBit) {
    SpinLayout layout = LayoutSpin(style, width, height);
    switch (halfBit) {
        case KWSB_RIGHTFIRST:
            return FirstHalf(style, layout.right);
        case KWSB_RIGHTSECOND:
            return SecondHalf(style, layout.right);
        case KWSB_LEFTFIRST:
            return FirstHalf(style, layout.left);
        case KWSB_LEFTSECOND:
            return SecondHalf(style, layout.left);
        default:
            return {};
    }
}

unsigned HitTestSpin(unsigned style, int width, int height, int x, int y) {
    for (unsigned bit : {KWSB_RIGHTFIRST, KWSB_RIGHTSECOND, KWSB_LEFTFIRST, KWSB_LEFTSECOND}) {
        if (HalfRect(style, width, height, bit).Contains(x, y)) return bit;
    }
    return 0;
}

ArrowDirection ArrowFor(unsigned style, unsigned halfBit) {
    bool first = (halfBit & (KWSB_RIGHTFIRST | KWSB_LEFTFIRST)) != 0;
    if (IsHorizontal(style)) return first ? ArrowDirection::kLeft : ArrowDirection::kRight;
    return first ? ArrowDirection::kUp : ArrowDirection::kDown;
}

SpinTriangle ArrowTriangle(const SpinRect &half, ArrowDirection direction, bool pressed) {
    bool vertical = direction == ArrowDirection::kUp || direction == ArrowDirection::kDown;
    // Across is the side the triangle's base lies along; along is the way it points.
    int across = vertical ? half.width : half.height;
    int along = vertical ? half.height : half.width;
    int size = std::max(1, (std::min(across, along * 2) - 2) / 3);  // rows from apex to base
    int centre = (across - 1) / 2;
    int apex = (along - size) / 2;
    int base = apex + size - 1;
    bool flipped = direction == ArrowDirection::kDown || direction == ArrowDirection::kRight;
    if (flipped) std::swap(apex, base);
    auto at = [&](int acrossPos, int alongPos) {
        SpinPoint p = vertical ? SpinPoint{acrossPos, alongPos} : SpinPoint{alongPos, acrossPos};
        p.x += half.x + (pressed ? 1 : 0);
        p.y += half.y + (pressed ? 1 : 0);
        return p;
    };
    return {{at(centre, apex), at(centre - (size - 1), base), at(centre + (size - 1), base)}};
}

}  // namespace kw::ctrl
