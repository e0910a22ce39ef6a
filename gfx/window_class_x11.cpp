// The window class on X11: SDL reads the WM_CLASS for its windows from the environment when its
// video starts.
//   [x] window class "demo_zor" (SDL_VIDEO_X11_WMCLASS)   [ ] class style (X11 has none)
#include <SDL.h>

#include "gfx/backends.h"
#include "gfx/window_identity.h"

void prepareSdlVideo() { SDL_setenv("SDL_VIDEO_X11_WMCLASS", kWindowClass, 0); }
