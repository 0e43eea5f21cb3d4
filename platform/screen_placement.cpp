#include "platform/screen_placement.h"

#include <algorithm>
#include <limits>

namespace platform {
namespace {

bool Overlaps(const ScreenRect& a, const ScreenRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// How far one range lies from another along an axis (0 when they touch or overlap).
long long Gap(int start, int end, int other_start, int other_end) {
  if (end <= other_start) return static_cast<long long>(other_start) - end;
  if (other_end <= start) return static_cast<long long>(start) - other_end;
  return 0;
}

// Moves [start, start + size) the least distance into [area_start, area_end); a range longer
// than the area starts at its start.
int MoveInside(int start, int size, int area_start, int area_end) {
  if (start + size > area_end) start = area_end - size;
  return std::max(start, area_start);
}

}  // namespace

ScreenRect PlaceOnWorkArea(const ScreenRect& frame, const std::vector<ScreenRect>& work_areas) {
  const ScreenRect* nearest = nullptr;
  long long nearest_distance = std::numeric_limits<long long>::max();
  for (const ScreenRect& area : work_areas) {
    if (area.Width() <= 0 || area.Height() <= 0) continue;
    if (Overlaps(frame, area)) return frame;
    long long dx = Gap(frame.left, frame.right, area.left, area.right);
    long long dy = Gap(frame.top, frame.bottom, area.top, area.bottom);
    long long distance = dx * dx + dy * dy;
    if (distance < nearest_distance) {
      nearest_distance = distance;
      nearest = &area;
    }
  }
  if (nearest == nullptr) return frame;
  int left = MoveInside(frame.left, frame.Width(), nearest->left, nearest->right);
  int top = MoveInside(frame.top, frame.Height(), nearest->top, nearest->bottom);
  return {left, top, left + frame.Width(), top + frame.Height()};
}

}  // namespace platform
