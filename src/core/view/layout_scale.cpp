#include "view/layout_scale.h"

#include <string_view>

namespace korvel {

LayoutScale LayoutScale::ForScreen(int screenWidth, int screenHeight, const char* forced) {
  if (forced) {
    const std::string_view f(forced);
    if (f == "small") return Small();
    if (f == "full") return Full();
  }
  if (screenWidth >= kDesignWidth && screenHeight >= kDesignHeight) return Full();
  return Small();
}

}  // namespace korvel
