// SDL2's display modes of the primary display, turned into the launcher's own mode records.
//   [x] modes of display 0   [x] desktop mode   [x] 24-bit colour in 4 bytes counted as 32 bits
//   [x] refresh rate (0 when unknown)   [ ] other displays
#include <SDL.h>

#include <cstdio>

#include "launcher/display_query.h"

namespace {

DisplayMode toDisplayMode(const SDL_DisplayMode& mode) {
  DisplayMode result;
  result.width = mode.w;
  result.height = mode.h;
  // SDL reports the ordinary true-colour desktop as 24 bits of colour in 4 bytes; the mode list
  // wants the bits of storage, as other systems count them.
  result.bitsPerPixel = SDL_BYTESPERPIXEL(mode.format) == 4 ? 32u : SDL_BITSPERPIXEL(mode.format);
  result.refreshRate = mode.refresh_rate;
  return result;
}

std::optional<DisplayMode> sdlModeAt(int index) {
  if (index < 0 || index >= SDL_GetNumDisplayModes(0)) return std::nullopt;
  SDL_DisplayMode mode{};
  if (SDL_GetDisplayMode(0, index, &mode) != 0) return std::nullopt;
  return toDisplayMode(mode);
}

std::optional<DisplayMode> sdlDesktopMode() {
  SDL_DisplayMode mode{};
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return std::nullopt;
  return toDisplayMode(mode);
}

}  // namespace

DisplayModeQuery sdlDisplayModeQuery() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "nightloom: warning: no display modes (SDL video: %s)\n", SDL_GetError());
    return {};
  }
  return DisplayModeQuery{sdlModeAt, sdlDesktopMode};
}
