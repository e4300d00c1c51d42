// Rectangles in window pixels. Positions stay fractional, as the scaled layout produces them;
// only the painter rounds.
#pragma once

#include <algorithm>
#include <cmath>

namespace korvel {

struct Rect {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;

  double right() const { return left + width; }
  double bottom() const { return top + height; }
  bool Empty() const { return width <= 0 || height <= 0; }
  bool Contains(double x, double y) const {
    return x >= left && x < right() && y >= top && y < bottom();
  }
  bool Intersects(const Rect& o) const {
    return !Empty() && !o.Empty() && left < o.right() && o.left < right() && top < o.bottom() &&
           o.top < bottom();
  }
  Rect United(const Rect& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    const double l = std::min(left, o.left), t = std::min(top, o.top);
    return {l, t, std::max(right(), o.right()) - l, std::max(bottom(), o.bottom()) - t};
  }
  double Area() const { return Empty() ? 0 : width * height; }
  bool operator==(const Rect&) const = default;
};

// The whole-pixel rectangle that covers `r`, for repainting.
inline Rect CoveringPixels(const Rect& r) {
  const double l = std::floor(r.left), t = std::floor(r.top);
  return {l, t, std::ceil(r.right()) - l, std::ceil(r.bottom()) - t};
}

}  // namespace korvel
