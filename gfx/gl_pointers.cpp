// Storage of the process-wide GL entry points and the frame target, and the one place that picks a
// blend-equation entry.
#include "gfx/gl.h"

namespace gl {

#define NIGHTLOOM_DEFINE_GL_POINTER(type, name) type name = nullptr;
NIGHTLOOM_GL_POINTERS(NIGHTLOOM_DEFINE_GL_POINTER)
#undef NIGHTLOOM_DEFINE_GL_POINTER

FrameTarget frameTarget;

void bindFrameTarget() {
  if (glBindFramebufferEXT) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameTarget.framebuffer);
}

void setBlendEquation(GLenum mode) {
  if (glBlendEquation) {
    glBlendEquation(mode);
  } else if (glBlendEquationEXT) {
    glBlendEquationEXT(mode);
  }
}

}  // namespace gl
