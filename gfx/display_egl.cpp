// The headless display: an EGL pbuffer on Mesa's surfaceless platform with a compatibility-profile
// context. It needs no window system, so tests and the video capture run on machines without a
// screen; the pbuffer gives a real framebuffer 0 with a back buffer to read back.
//   [x] off-screen frames of any size up to the driver's limits (colour, depth, stencil)
//   [x] window-system extensions (EGL's own string)
//   [x] window-system independence (no X server, no GPU; a GPU through EGL's device platform)
//   [x] vertical sync (eglSwapInterval, where the driver honours it)
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include "gfx/backends.h"
#include "gfx/gl.h"

#ifndef EGL_PLATFORM_SURFACELESS_MESA
#define EGL_PLATFORM_SURFACELESS_MESA 0x31DD
#endif

namespace {

class HeadlessDisplay final : public Display {
 public:
  ~HeadlessDisplay() override { destroy(); }

  bool create(const DisplayRequest& request) override {
    if (!openDisplay()) return false;
    // The buffers the SDL window asks for too (colour with alpha, 24-bit depth, stencil), so the
    // headless picture is the window's.
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_ALPHA_SIZE,
                                       8,
                                       EGL_DEPTH_SIZE,
                                       24,
                                       EGL_STENCIL_SIZE,
                                       8,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1) {
      return failWith("no EGL config offers an OpenGL pbuffer");
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, request.width, EGL_HEIGHT, request.height,
                                        EGL_NONE};
    surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE) return failWith("EGL could not create the pbuffer");
    if (!eglBindAPI(EGL_OPENGL_API)) return failWith("EGL offers no desktop OpenGL");
    // The show draws in immediate mode, so it needs the compatibility profile.
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                        3,
                                        EGL_CONTEXT_MINOR_VERSION,
                                        0,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                        EGL_NONE};
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) return failWith("EGL could not create an OpenGL 3.0 context");
    if (!eglMakeCurrent(display, surface, surface, context)) {
      return failWith("EGL could not make the context current");
    }
    width = request.width;
    height = request.height;
    return true;
  }

  void show() override {}
  void pumpEvents(uint8_t*, FrameEvents&) override {}
  void present() override { eglSwapBuffers(display, surface); }
  void drawableSize(int& w, int& h) override {
    w = width;
    h = height;
  }

  void destroy() override {
    if (display == EGL_NO_DISPLAY) return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
    if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
    eglTerminate(display);
    display = EGL_NO_DISPLAY;
    context = EGL_NO_CONTEXT;
    surface = EGL_NO_SURFACE;
  }

  const std::string& error() const override { return message; }

  void* glProcAddress(const char* name) override {
    return reinterpret_cast<void*>(eglGetProcAddress(name));
  }
  const char* glExtensions() override {
    return reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  }
  const char* windowSystemExtensions() override {
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    return extensions ? extensions : "";
  }
  // Asking EGL for a desktop compatibility context is what the window system must support.
  const char* pixelFormatExtension() override { return "EGL_KHR_create_context"; }
  bool setSwapInterval(int interval) override {
    return eglSwapInterval(display, interval) == EGL_TRUE;
  }

 private:
  // Mesa's surfaceless platform needs no X server or Wayland compositor; plain eglGetDisplay would
  // look for one first and fail without $DISPLAY. A driver without it (NVIDIA's) offers its
  // devices instead, which need no window system either.
  bool openDisplay() {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return failWith("EGL lacks eglGetPlatformDisplayEXT");
    display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (initialised()) return true;
    auto queryDevices =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    EGLDeviceEXT device = nullptr;
    EGLint devices = 0;
    if (queryDevices && queryDevices(1, &device, &devices) && devices > 0) {
      display = getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, device, nullptr);
      if (initialised()) return true;
    }
    return failWith("EGL has neither Mesa's surfaceless platform nor a device to draw on");
  }

  bool initialised() {
    if (display == EGL_NO_DISPLAY) return false;
    if (eglInitialize(display, nullptr, nullptr)) return true;
    display = EGL_NO_DISPLAY;
    return false;
  }

  bool failWith(const char* why) {
    message = why;
    return false;
  }

  EGLDisplay display = EGL_NO_DISPLAY;
  EGLSurface surface = EGL_NO_SURFACE;
  EGLContext context = EGL_NO_CONTEXT;
  int width = 0;
  int height = 0;
  std::string message;
};

}  // namespace

std::unique_ptr<Display> createHeadlessDisplay() { return std::make_unique<HeadlessDisplay>(); }
