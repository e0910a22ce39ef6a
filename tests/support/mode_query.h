// A display-mode query over a made-up mode list and desktop mode, answering as a platform's query
// does: the i-th mode or nothing past the end, and the desktop's mode (nothing when it is unknown).
#pragma once

#include <optional>
#include <vector>

#include "launcher/display_modes.h"

inline DisplayModeQuery queryOf(std::vector<DisplayMode> modes,
                                std::optional<DisplayMode> desktop) {
  return DisplayModeQuery{[modes](int index) -> std::optional<DisplayMode> {
                            if (index < 0 || static_cast<size_t>(index) >= modes.size()) {
                              return std::nullopt;
                            }
                            return modes[static_cast<size_t>(index)];
                          },
                          [desktop] { return desktop; }};
}
