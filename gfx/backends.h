// The display backends this build offers. Each is one source file named after the API it calls;
// the entry picks one, the tests and the video capture use the headless one.
#pragma once

#include <memory>

#include "gfx/display.h"

// A window through SDL2 (X11/GLX, Wayland or SDL's offscreen driver on Linux; Win32/WGL on
// Windows): display_sdl.cpp.
std::unique_ptr<Display> createSdlDisplay();
// Settings SDL reads once, when its video first starts (the window class "demo_zor": X11's WM_CLASS
// in window_class_x11.cpp, the Win32 class in window_class_win32.cpp; a web page has no window
// class): call it before anything else touches SDL video, the display-mode query included.
void prepareSdlVideo();
// The off-screen display of this build: an EGL pbuffer on Mesa's surfaceless platform, needing no
// window system, whose framebuffer 0 and GL_BACK can be read back (display_egl.cpp); or, where
// there is no EGL, a hidden SDL window drawing into a framebuffer object (display_fbo.cpp).
std::unique_ptr<Display> createHeadlessDisplay();
// The canvas of a web page through SDL2's emscripten backend, the web build's only display
// (display_emscripten.cpp).
std::unique_ptr<Display> createCanvasDisplay();
