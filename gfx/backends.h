// The display backends this build offers. Each is one source file named after the API it calls;
// the entry picks one, the tests and the video capture use the headless one.
#pragma once

#include <memory>

#include "gfx/display.h"

// A window through SDL2 (X11/GLX, Wayland or SDL's offscreen driver).
std::unique_ptr<Display> createSdlDisplay();
// Settings SDL reads once, when its video first starts (the X11 window class "demo_zor"): call it
// before anything else touches SDL video, the display-mode query included.
void prepareSdlVideo();
// An EGL pbuffer on Mesa's surfaceless platform: no window system needed; framebuffer 0 and GL_BACK
// exist and can be read back.
std::unique_ptr<Display> createHeadlessDisplay();
// The canvas of a web page through SDL2's emscripten backend (the web build only).
std::unique_ptr<Display> createCanvasDisplay();
