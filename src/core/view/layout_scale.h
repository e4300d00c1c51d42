// The table is designed for 1024 x 768; smaller screens get the whole layout at 0.78125.
#pragma once

#include <cmath>
#include <cstdint>

namespace korvel {

inline constexpr int kDesignWidth = 1024;
inline constexpr int kDesignHeight = 768;
inline constexpr double kSmallLayoutScale = 0.78125;

struct LayoutScale {
  double sx = 1.0;  // for every Left and Width
  double sy = 1.0;  // for every Top and Height

  // Full size on a screen of at least 1024 x 768, else the small layout. `forced` is the
  // value of KORVEL_LAYOUT: "small" or "full" override the screen; anything else is ignored.
  static LayoutScale ForScreen(int screenWidth, int screenHeight, const char* forced = nullptr);
  static LayoutScale Full() { return {1.0, 1.0}; }
  static LayoutScale Small() { return {kSmallLayoutScale, kSmallLayoutScale}; }

  bool IsSmall() const { return sx != 1.0; }
  double X(double design) const { return design * sx; }
  double Y(double design) const { return design * sy; }
  // Integer sizes and stored positions: the product rounded to the nearest whole pixel.
  int16_t RoundX(double design) const { return static_cast<int16_t>(std::lround(design * sx)); }
  int16_t RoundY(double design) const { return static_cast<int16_t>(std::lround(design * sy)); }
  int WindowWidth() const { return static_cast<int>(std::lround(kDesignWidth * sx)); }
  int WindowHeight() const { return static_cast<int>(std::lround(kDesignHeight * sy)); }
};

}  // namespace korvel
