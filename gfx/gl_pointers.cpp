// Storage of the process-wide GL entry points and the frame target, and the one place that picks a
// blend-equation entry.
#include <cstring>
#include <initializer_list>

#include "gfx/gl.h"

namespace gl {

#define NIGHTLOOM_DEFINE_GL_POINTER(type, name) type name = nullptr;
NIGHTLOOM_GL_POINTERS(NIGHTLOOM_DEFINE_GL_POINTER)
#undef NIGHTLOOM_DEFINE_GL_POINTER

FrameTarget frameTarget;

void bindFrameTarget() {
  if (glBindFramebufferEXT) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameTarget.framebuffer);
}

namespace {
const char* glRenderer() { return reinterpret_cast<const char*>(glGetString(GL_RENDERER)); }
}  // namespace

const char* (*rendererName)() = glRenderer;

bool rendererDrawsOnTheProcessor() {
  const char* renderer = rendererName();
  if (renderer == nullptr) return false;
  for (const char* name :
       {"llvmpipe", "softpipe", "swrast", "SwiftShader", "Software Rasterizer"}) {
    if (std::strstr(renderer, name) != nullptr) return true;
  }
  return false;
}

void setBlendEquation(GLenum mode) {
  if (glBlendEquation) {
    glBlendEquation(mode);
  } else if (glBlendEquationEXT) {
    glBlendEquationEXT(mode);
  }
}

}  // namespace gl
