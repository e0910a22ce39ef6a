// The resolution list of the setup dialog and the desktop's aspect ratio, built from whatever
// display-mode query the platform gives; nothing here talks to a window system.
#include "launcher/display_modes.h"

#include <algorithm>
#include <cmath>

namespace {

bool sameResolution(const DisplayMode& a, const DisplayMode& b) {
  return a.width == b.width && a.height == b.height;
}

// The tolerance is the single-precision 1e-9, far below one unit in the last place of any of the
// ratios: the test is an exact comparison of the float quotient with the float constant.
bool matchesRatio(float ratio, float known) {
  return static_cast<double>(std::fabs(ratio - known)) < static_cast<double>(1e-9f);
}

}  // namespace

std::vector<DisplayMode> enumerateDisplayModes(const DisplayModeQuery& query) {
  std::vector<DisplayMode> modes;
  if (!query.modeAt) return modes;
  for (int index = 0;; ++index) {
    std::optional<DisplayMode> mode = query.modeAt(index);
    if (!mode) break;
    if (mode->bitsPerPixel != 32) continue;
    bool known = std::any_of(modes.begin(), modes.end(),
                             [&](const DisplayMode& kept) { return sameResolution(kept, *mode); });
    if (!known) modes.push_back(*mode);
  }
  return modes;
}

int32_t aspectOfResolution(int32_t width, int32_t height) {
  if (height == 0) return 0;
  float ratio = static_cast<float>(width) / static_cast<float>(height);
  // Order matters only in principle (the ratios differ), but it is the order the codes were
  // always tested in: 4:3, 5:4, 16:10, 16:9.
  if (matchesRatio(ratio, 4.0f / 3.0f)) return 1;
  if (matchesRatio(ratio, 1.25f)) return 2;
  if (matchesRatio(ratio, 1.6f)) return 4;
  if (matchesRatio(ratio, 16.0f / 9.0f)) return 3;
  return 0;
}

int32_t detectDesktopAspect(const DisplayModeQuery& query) {
  if (!query.currentMode) return 0;
  std::optional<DisplayMode> desktop = query.currentMode();
  if (!desktop) return 0;
  return aspectOfResolution(desktop->width, desktop->height);
}
