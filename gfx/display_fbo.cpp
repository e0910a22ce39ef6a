// The headless display where there is no EGL (Windows): the GL context of a hidden SDL window, and
// a framebuffer object of the requested size that stands in for the window's back buffer, since a
// hidden window owns no pixels to draw into or read back. The frame target points the show there.
//   [x] off-screen frames of any size up to the driver's limits (colour, depth, stencil)
//   [x] window-system extensions and entry points as the live window has them
//   [ ] window-system independence (needs a desktop session, as every Windows GL program does)
//   [ ] vertical sync (nothing is shown)
#include "gfx/backends.h"
#include "gfx/gl.h"

namespace {

// The hidden window only carries the context; its own pixels are never used.
constexpr int kCarrierSize = 64;

// The framebuffer-object entry points the display needs before the loader has run.
struct FramebufferCalls {
  PFNGLGENFRAMEBUFFERSEXTPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSEXTPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFEREXTPROC bindFramebuffer = nullptr;
  PFNGLGENRENDERBUFFERSEXTPROC genRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSEXTPROC deleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFEREXTPROC bindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEEXTPROC renderbufferStorage = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC framebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC checkFramebufferStatus = nullptr;

  bool load(LoaderHooks& hooks) {
    fetch(hooks, genFramebuffers, "glGenFramebuffersEXT");
    fetch(hooks, deleteFramebuffers, "glDeleteFramebuffersEXT");
    fetch(hooks, bindFramebuffer, "glBindFramebufferEXT");
    fetch(hooks, genRenderbuffers, "glGenRenderbuffersEXT");
    fetch(hooks, deleteRenderbuffers, "glDeleteRenderbuffersEXT");
    fetch(hooks, bindRenderbuffer, "glBindRenderbufferEXT");
    fetch(hooks, renderbufferStorage, "glRenderbufferStorageEXT");
    fetch(hooks, framebufferRenderbuffer, "glFramebufferRenderbufferEXT");
    fetch(hooks, checkFramebufferStatus, "glCheckFramebufferStatusEXT");
    return genFramebuffers && deleteFramebuffers && bindFramebuffer && genRenderbuffers &&
           deleteRenderbuffers && bindRenderbuffer && renderbufferStorage &&
           framebufferRenderbuffer && checkFramebufferStatus;
  }

 private:
  template <typename Pointer>
  static void fetch(LoaderHooks& hooks, Pointer& pointer, const char* name) {
    pointer = reinterpret_cast<Pointer>(hooks.glProcAddress(name));
  }
};

class HiddenWindowDisplay final : public Display {
 public:
  HiddenWindowDisplay() : carrier(createSdlDisplay()) {}
  ~HiddenWindowDisplay() override { destroy(); }

  bool create(const DisplayRequest& request) override {
    DisplayRequest hidden;
    hidden.width = kCarrierSize;
    hidden.height = kCarrierSize;
    if (!carrier->create(hidden)) return failWith(carrier->error());
    if (!hasExtensionIn(glExtensions(), "GL_EXT_framebuffer_object") || !calls.load(*this)) {
      return failWith("framebuffer objects (GL_EXT_framebuffer_object) are required");
    }
    calls.genFramebuffers(1, &framebuffer);
    calls.bindFramebuffer(GL_FRAMEBUFFER_EXT, framebuffer);
    colour = attachStorage(GL_RGBA8, {GL_COLOR_ATTACHMENT0_EXT}, request);
    depthStencil = attachStorage(GL_DEPTH24_STENCIL8_EXT,
                                 {GL_DEPTH_ATTACHMENT_EXT, GL_STENCIL_ATTACHMENT_EXT}, request);
    if (calls.checkFramebufferStatus(GL_FRAMEBUFFER_EXT) != GL_FRAMEBUFFER_COMPLETE_EXT) {
      return failWith("the driver cannot render off screen at " + std::to_string(request.width) +
                      "x" + std::to_string(request.height));
    }
    gl::frameTarget = {framebuffer, GL_COLOR_ATTACHMENT0_EXT};
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    width = request.width;
    height = request.height;
    return true;
  }

  void show() override {}
  void pumpEvents(uint8_t*, FrameEvents&) override {}
  void present() override { glFlush(); }
  void drawableSize(int& w, int& h) override {
    w = width;
    h = height;
  }

  void destroy() override {
    if (framebuffer != 0) {
      calls.bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
      calls.deleteRenderbuffers(1, &colour);
      calls.deleteRenderbuffers(1, &depthStencil);
      calls.deleteFramebuffers(1, &framebuffer);
      framebuffer = colour = depthStencil = 0;
    }
    gl::frameTarget = {};
    carrier->destroy();
  }

  const std::string& error() const override { return message; }

  void* glProcAddress(const char* name) override { return carrier->glProcAddress(name); }
  const char* glExtensions() override { return carrier->glExtensions(); }
  const char* windowSystemExtensions() override { return carrier->windowSystemExtensions(); }
  const char* pixelFormatExtension() override { return carrier->pixelFormatExtension(); }
  bool setSwapInterval(int) override { return false; }

 private:
  GLuint attachStorage(GLenum format, std::initializer_list<GLenum> attachments,
                       const DisplayRequest& request) {
    GLuint storage = 0;
    calls.genRenderbuffers(1, &storage);
    calls.bindRenderbuffer(GL_RENDERBUFFER_EXT, storage);
    calls.renderbufferStorage(GL_RENDERBUFFER_EXT, format, request.width, request.height);
    for (GLenum attachment : attachments) {
      calls.framebufferRenderbuffer(GL_FRAMEBUFFER_EXT, attachment, GL_RENDERBUFFER_EXT, storage);
    }
    return storage;
  }

  bool failWith(const std::string& why) {
    message = why;
    return false;
  }

  std::unique_ptr<Display> carrier;
  FramebufferCalls calls;
  GLuint framebuffer = 0;
  GLuint colour = 0;
  GLuint depthStencil = 0;
  int width = 0;
  int height = 0;
  std::string message;
};

}  // namespace

std::unique_ptr<Display> createHeadlessDisplay() { return std::make_unique<HiddenWindowDisplay>(); }
