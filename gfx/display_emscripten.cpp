// The show's display in a web page: the page's canvas through SDL2's emscripten backend, a WebGL 1
// context that emscripten's desktop-GL emulation stands on, and Escape reported as the desktop
// window reports it. The page sizes and shows the canvas; this backend only fills it.
//   [x] canvas of any size in device pixels, kept for a second show   [x] Escape
//   [x] the real renderer's name (WEBGL_debug_renderer_info), so the dots know a software one
//   [x] desktop GL 3.0 as emscripten emulates it on WebGL 1 (gl_shim_webgl.cpp adds the rest)
//   [ ] window class, window-system extensions (a page has neither)   [ ] full screen (the page's)
//   [ ] vertical sync (the browser paces the frames)   [ ] off-screen frames (the still draws here)
#include <SDL.h>
#include <emscripten.h>

#include <string>

#include "gfx/backends.h"
#include "gfx/gl.h"
#include "gfx/gl_shim_webgl.h"

namespace {

// The renderer behind the browser's WebGL ("ANGLE (Google, Vulkan 1.3.0 (SwiftShader Device ...")
// where the browser tells it, else GL_RENDERER's "WebKit WebGL"; the string lives as long as the
// page.
EM_JS(char*, unmaskedRendererName, (), {
  var name = "";
  try {
    var context = GLctx;
    var info = context.getExtension("WEBGL_debug_renderer_info");
    name = info ? context.getParameter(info.UNMASKED_RENDERER_WEBGL) : "";
    if (!name) name = context.getParameter(context.RENDERER);
  } catch (e) {
  }
  return allocateUTF8(String(name));
});

const char* webglRendererName() {
  static const char* name = unmaskedRendererName();
  return name;
}

// What the emulation offers over WebGL 1, in the names the loader asks for: reverse-subtract
// blending and framebuffer objects are WebGL 1 core, vertex arrays and buffers are emulated.
constexpr const char* kEmulatedExtensions = "GL_EXT_blend_subtract GL_EXT_framebuffer_object";
constexpr const char* kEmulatedVersion = "3.0 (desktop GL emulated on WebGL 1)";

class CanvasDisplay final : public Display {
 public:
  // The canvas and its WebGL context live as long as the page: a second show reuses them, and a
  // call while the show runs (the page's window changed size) only sets the canvas's new size.
  bool create(const DisplayRequest& request) override {
    if (window) {
      SDL_SetWindowSize(window, request.width, request.height);
      return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return failWith("SDL video: ", SDL_GetError());
    // No alpha channel: the page would otherwise show through wherever the show leaves alpha
    // below 1, which the desktop window never does.
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // The size asked for is the canvas's size in device pixels; the page's style sets its size on
    // screen, so SDL's own high-density scaling stays off.
    window = SDL_CreateWindow("nightloom", 0, 0, request.width, request.height, SDL_WINDOW_OPENGL);
    if (!window) return failWith("the canvas could not be used: ", SDL_GetError());
    context = SDL_GL_CreateContext(window);
    if (!context) return failWith("this browser gives no WebGL context: ", SDL_GetError());
    extensions = std::string(kEmulatedExtensions) + " " +
                 reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    gl::rendererName = webglRendererName;
    return true;
  }

  void show() override {}

  void pumpEvents(uint8_t keyDown[256], FrameEvents&) override {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) keyDown[27] = 1;
    }
  }

  void present() override { SDL_GL_SwapWindow(window); }

  void drawableSize(int& width, int& height) override {
    SDL_GL_GetDrawableSize(window, &width, &height);
  }

  void destroy() override {}

  const std::string& error() const override { return message; }

  void* glProcAddress(const char* name) override {
    void* shim = webglShimProcAddress(name);
    return shim ? shim : SDL_GL_GetProcAddress(name);
  }
  const char* glExtensions() override { return extensions.c_str(); }
  const char* glVersionString() override { return kEmulatedVersion; }
  const char* windowSystemExtensions() override { return ""; }
  const char* pixelFormatExtension() override { return nullptr; }
  // The browser paces frames to the screen itself.
  bool setSwapInterval(int) override { return true; }

 private:
  bool failWith(const char* what, const char* detail) {
    message = std::string(what) + (detail ? detail : "");
    return false;
  }

  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  std::string extensions;
  std::string message;
};

}  // namespace

std::unique_ptr<Display> createCanvasDisplay() { return std::make_unique<CanvasDisplay>(); }
