// The display-mode list of the setup dialog: one entry per resolution among the 32-bit modes of the
// primary display, in the order the system enumerated them, and the aspect ratio of the desktop.
// The query itself belongs to a backend (SDL2 on Linux); everything here is portable.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct DisplayMode {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t bitsPerPixel = 0;
  int32_t refreshRate = 0;  // Hz; 0 when the system does not say (Xvfb)
};

// A display-mode query: modeAt(i) gives the i-th mode of the primary display or nothing past the
// end; currentMode() the desktop's mode, nothing when the query fails.
struct DisplayModeQuery {
  std::function<std::optional<DisplayMode>(int index)> modeAt;
  std::function<std::optional<DisplayMode>()> currentMode;
};

// Keeps the 32-bit modes, the first-enumerated one of each width x height, in enumeration order.
std::vector<DisplayMode> enumerateDisplayModes(const DisplayModeQuery& query);

// Aspect code (0 none, 1 4:3, 2 5:4, 3 16:9, 4 16:10) of a resolution, by exact single-precision
// comparison of width / height with the known ratios; 0 for a zero height.
int32_t aspectOfResolution(int32_t width, int32_t height);

// The desktop's aspect code; 0 when the query fails.
int32_t detectDesktopAspect(const DisplayModeQuery& query);
