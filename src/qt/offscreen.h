// Programs started by scripts run without a desktop; the offscreen platform keeps every path
// working there.
#pragma once

#include <cstdlib>

namespace korvel {

// Chooses Qt's offscreen platform when no platform is named and there is no display; call
// before the application object exists.
inline void UseOffscreenWithoutDisplay() {
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
      !std::getenv("WAYLAND_DISPLAY")) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
}

}  // namespace korvel
