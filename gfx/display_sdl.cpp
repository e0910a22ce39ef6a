// The live window through SDL2, on Linux and Windows alike: a window of exactly the chosen client
// size (or a full-screen mode switch with a hidden cursor), a compatibility-profile GL context, key
// presses translated to the virtual-key codes the show reads, and closing the window reported as
// the frame's quit. The window class and the window system's extensions are the platform's
// (window_class_*.cpp, window_system_*.cpp).
//   [x] windowed and full-screen mode switch (closest mode, said when it differs)
//   [x] GL 3.0 compatibility context, double-buffered, 24-bit depth
//   [x] vertical sync (swap interval)   [x] cursor hidden in full screen
//   [ ] multisampling (the show asks for none)   [ ] window styles of its own (SDL's are used)
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "gfx/backends.h"
#include "gfx/gl.h"
#include "gfx/window_identity.h"
#include "gfx/window_system.h"

namespace {

// Windows virtual-key codes for the keys SDL reports; letters and digits are their upper-case
// ASCII.
int virtualKeyOf(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
  switch (key) {
    case SDLK_ESCAPE:
      return 27;
    case SDLK_RETURN:
      return 13;
    case SDLK_SPACE:
      return 32;
    case SDLK_TAB:
      return 9;
    case SDLK_BACKSPACE:
      return 8;
    case SDLK_LEFT:
      return 0x25;
    case SDLK_UP:
      return 0x26;
    case SDLK_RIGHT:
      return 0x27;
    case SDLK_DOWN:
      return 0x28;
    default:
      return -1;
  }
}

class SdlDisplay final : public Display {
 public:
  ~SdlDisplay() override { destroy(); }

  bool create(const DisplayRequest& request) override {
    prepareSdlVideo();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return failWith("SDL video: ", SDL_GetError());
    videoStarted = true;
    fullscreen = request.fullscreen;
    // 3.0 for the dot field's vertex buffers and arrays, the compatibility profile for the
    // scenes' immediate mode.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 1);
    // Hidden until show(), which comes after the loader accepted the driver: a refused driver
    // never flashes an empty window.
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    window = SDL_CreateWindow(kWindowTitle, 0, 0, request.width, request.height, flags);
    if (!window) return failWith("SDL could not create the window: ", SDL_GetError());
    if (fullscreen && !switchToFullscreen(request)) return false;
    context = SDL_GL_CreateContext(window);
    if (!context) return failWith("no OpenGL 3.0 compatibility context: ", SDL_GetError());
    if (SDL_GL_MakeCurrent(window, context) != 0) {
      return failWith("the GL context cannot be made current: ", SDL_GetError());
    }
    return true;
  }

  void show() override {
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    if (fullscreen) SDL_ShowCursor(SDL_DISABLE);
  }

  void pumpEvents(uint8_t keyDown[256], FrameEvents& events) override {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT ||
          (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
        events.quit = true;
        return;  // the rest waits, as a quit message leaves the pump at once
      }
      if (event.type == SDL_KEYDOWN) {
        const int code = virtualKeyOf(event.key.keysym.sym);
        if (code >= 0 && code < 256) keyDown[code] = 1;
      }
    }
  }

  void present() override { SDL_GL_SwapWindow(window); }

  void drawableSize(int& width, int& height) override {
    SDL_GL_GetDrawableSize(window, &width, &height);
  }

  void destroy() override {
    if (cursorHidden || fullscreen) SDL_ShowCursor(SDL_ENABLE);
    if (context) {
      SDL_GL_MakeCurrent(window, nullptr);
      SDL_GL_DeleteContext(context);
      context = nullptr;
    }
    if (window) {
      // Leaving full screen restores the desktop's mode.
      if (fullscreen) SDL_SetWindowFullscreen(window, 0);
      SDL_DestroyWindow(window);
      window = nullptr;
    }
    if (videoStarted) {
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      videoStarted = false;
    }
  }

  const std::string& error() const override { return message; }

  void* glProcAddress(const char* name) override { return SDL_GL_GetProcAddress(name); }
  const char* glExtensions() override {
    return reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  }
  const char* windowSystemExtensions() override { return ::windowSystemExtensions(); }
  const char* pixelFormatExtension() override { return windowSystemPixelFormatExtension(); }
  bool setSwapInterval(int interval) override { return SDL_GL_SetSwapInterval(interval) == 0; }

 private:
  bool switchToFullscreen(const DisplayRequest& request) {
    SDL_DisplayMode mode = {};
    mode.w = request.width;
    mode.h = request.height;
    mode.format = SDL_PIXELFORMAT_RGB888;
    SDL_DisplayMode closest = {};
    if (!SDL_GetClosestDisplayMode(0, &mode, &closest)) {
      return failWith("the display has no mode like the chosen one: ", SDL_GetError());
    }
    if (closest.w != mode.w || closest.h != mode.h) {
      std::fprintf(stderr,
                   "nightloom: the display has no %dx%d mode; full screen uses %dx%d instead\n",
                   mode.w, mode.h, closest.w, closest.h);
    }
    if (SDL_SetWindowDisplayMode(window, &closest) != 0 ||
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) {
      return failWith("the display mode could not be changed: ", SDL_GetError());
    }
    cursorHidden = true;
    return true;
  }

  bool failWith(const char* what, const char* detail) {
    message = std::string(what) + (detail ? detail : "");
    return false;
  }

  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  bool videoStarted = false;
  bool fullscreen = false;
  bool cursorHidden = false;
  std::string message;
};

}  // namespace

std::unique_ptr<Display> createSdlDisplay() { return std::make_unique<SdlDisplay>(); }
