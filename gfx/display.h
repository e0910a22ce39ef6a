// The window (or headless surface) that the show draws into, with its GL context. One backend per
// window system: SDL2 for the live window on Linux and Windows (display_sdl.cpp); for tests and the
// off-screen runs an EGL surfaceless pbuffer on Linux (display_egl.cpp) and a hidden window's
// framebuffer object on Windows (display_fbo.cpp); the page's canvas on the web
// (display_emscripten.cpp). The frame loop sees only this interface.
#pragma once

#include <cstdint>
#include <string>

#include "gfx/gl_loader.h"

struct DisplayRequest {
  int width = 0;
  int height = 0;
  bool fullscreen = false;
  uint32_t bitsPerPixel = 32;
  int sampleCount = 0;
};

// What one pump of the window system's events reports to the frame loop.
struct FrameEvents {
  bool quit = false;  // the window was closed: this frame is still drawn and presented
};

class Display : public LoaderHooks {
 public:
  // Creates the window and a current GL compatibility context. False with error() set on failure;
  // whatever was made stays for destroy().
  virtual bool create(const DisplayRequest& request) = 0;
  // Shows the window, raises and focuses it; hides the cursor in full screen.
  virtual void show() = 0;
  // Reads pending events: records key presses in keyDown (virtual-key codes) and window closing.
  virtual void pumpEvents(uint8_t keyDown[256], FrameEvents& events) = 0;
  virtual void present() = 0;
  // Size of the default framebuffer in pixels.
  virtual void drawableSize(int& width, int& height) = 0;
  // Undoes every step create() reached: context, display mode, cursor, window.
  virtual void destroy() = 0;
  virtual const std::string& error() const = 0;
};
