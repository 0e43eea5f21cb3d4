// Where a window goes when its saved position would put it out of reach: a laptop undocked, a
// monitor removed. Plain rectangles, so the rule is tested without any screen.
#pragma once

#include <vector>

namespace platform {

// Screen coordinates; right and bottom are outside the rectangle.
struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const ScreenRect& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
  }
};

// The frame as saved when any part of it lies in one of the work areas (a window partly visible
// stays where it was put); otherwise the same size moved onto the nearest work area, as far as it
// must and no further, its top-left corner kept inside so the caption can be reached. No work
// areas known: the frame as saved.
ScreenRect PlaceOnWorkArea(const ScreenRect& frame, const std::vector<ScreenRect>& work_areas);

}  // namespace platform
