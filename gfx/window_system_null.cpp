// The window system under SDL on Linux: SDL chose the framebuffer format itself when it made the
// context (through GLX, EGL or Wayland, whichever it runs on), so there is no window-system list to
// consult and no pixel-format extension to require.
//   [ ] window-system extension string (left empty)   [ ] pixel-format extension check
#include "gfx/window_system.h"

const char* windowSystemExtensions() { return ""; }

const char* windowSystemPixelFormatExtension() { return nullptr; }
