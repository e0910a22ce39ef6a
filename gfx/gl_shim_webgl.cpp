// What the web build adds to emscripten's desktop-GL emulation on WebGL 1: the entry points it does
// not have (glPushAttrib/glPopAttrib, the glMultiTexCoord family, gluBuild2DMipmaps,
// glDrawBuffers), the GLSL text made acceptable to WebGL as it is handed over (gfx/glsl_webgl.cpp),
// vertex arrays that keep one buffer per attribute, the matrices the emulation never uploads for a
// draw from vertex buffers, and a 24-bit depth buffer.
//   [x] glPushAttrib/glPopAttrib (viewport)   [x] glMultiTexCoord*   [x] gluBuild2DMipmaps
//   [x] glDrawBuffers   [x] GLSL handed over as GLSL ES   [x] vertex arrays with their buffers
//   [x] matrices uploaded for vertex-buffer draws   [x] 24-bit depth   [ ] the rest of GL 3.0
#define GL_GLEXT_PROTOTYPES 1
#include "gfx/gl_shim_webgl.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "gfx/gl.h"
#include "gfx/glsl_webgl.h"

namespace {

void APIENTRY shaderSource(GLuint shader, GLsizei count, const GLchar* const* strings,
                           const GLint* lengths) {
  std::string text;
  for (GLsizei i = 0; i < count; ++i) {
    const bool sized = lengths && lengths[i] >= 0;
    text.append(strings[i], sized ? static_cast<size_t>(lengths[i]) : std::strlen(strings[i]));
  }
  const std::string adapted = glslForWebGL(text);
  const GLchar* source = adapted.c_str();
  glShaderSource(shader, 1, &source, nullptr);
}

GLuint programInUse = 0;

void APIENTRY useProgram(GLuint program) {
  programInUse = program;
  glUseProgram(program);
}

// The emulation's vertex arrays remember one array buffer for all attributes, so the dot layers'
// six buffers would all be read from the last one bound: vertex arrays are kept here instead, each
// attribute with its own buffer, and replayed on binding.
struct AttributeSource {
  GLuint buffer = 0;
  GLint size = 0;
  GLenum type = GL_FLOAT;
  GLboolean normalized = GL_FALSE;
  GLsizei stride = 0;
  const void* offset = nullptr;
  bool enabled = false;
};
using VertexArray = std::map<GLuint, AttributeSource>;
std::map<GLuint, VertexArray> vertexArrays;
GLuint nextVertexArray = 1;
GLuint boundVertexArray = 0;

void APIENTRY genVertexArrays(GLsizei count, GLuint* names) {
  for (GLsizei i = 0; i < count; ++i) {
    names[i] = nextVertexArray++;
    vertexArrays[names[i]];
  }
}

void APIENTRY deleteVertexArrays(GLsizei count, const GLuint* names) {
  for (GLsizei i = 0; i < count; ++i) vertexArrays.erase(names[i]);
}

void APIENTRY vertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                                  GLsizei stride, const void* offset) {
  glVertexAttribPointer(index, size, type, normalized, stride, offset);
  if (boundVertexArray == 0) return;
  GLint buffer = 0;
  glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &buffer);
  AttributeSource& source = vertexArrays[boundVertexArray][index];
  source = {static_cast<GLuint>(buffer), size, type, normalized, stride, offset, source.enabled};
}

void APIENTRY enableVertexAttribArray(GLuint index) {
  glEnableVertexAttribArray(index);
  if (boundVertexArray != 0) vertexArrays[boundVertexArray][index].enabled = true;
}

void uploadMatrix(const char* uniform, GLenum matrix) {
  const GLint location = glGetUniformLocation(programInUse, uniform);
  if (location < 0) return;
  GLfloat values[16];
  glGetFloatv(matrix, values);
  glUniformMatrix4fv(location, 1, GL_FALSE, values);
}

// The emulation rewrites gl_ModelViewProjectionMatrix into these two uniforms but sets them only
// for its own immediate-mode draws: a draw from vertex buffers would see zero matrices and draw
// nothing. Binding a vertex array is the last step before such a draw.
void APIENTRY bindVertexArray(GLuint array) {
  const auto previous = vertexArrays.find(boundVertexArray);
  if (previous != vertexArrays.end()) {
    for (const auto& [index, source] : previous->second) {
      if (source.enabled) glDisableVertexAttribArray(index);
    }
  }
  boundVertexArray = array;
  const auto next = vertexArrays.find(array);
  if (next == vertexArrays.end()) return glBindBuffer(GL_ARRAY_BUFFER, 0);
  for (const auto& [index, source] : next->second) {
    glBindBuffer(GL_ARRAY_BUFFER, source.buffer);
    glVertexAttribPointer(index, source.size, source.type, source.normalized, source.stride,
                          source.offset);
    if (source.enabled) glEnableVertexAttribArray(index);
  }
  if (programInUse == 0) return;
  uploadMatrix("u_modelView", GL_MODELVIEW_MATRIX);
  uploadMatrix("u_projection", GL_PROJECTION_MATRIX);
}

// The emulation takes two-component coordinates for unit 0 only, which is all the show sends.
void APIENTRY multiTexCoord2f(GLenum target, GLfloat s, GLfloat t) {
  if (target == GL_TEXTURE0) glTexCoord2f(s, t);
}
void APIENTRY multiTexCoord1f(GLenum target, GLfloat s) { multiTexCoord2f(target, s, 0.0f); }
void APIENTRY multiTexCoord3f(GLenum target, GLfloat s, GLfloat t, GLfloat) {
  multiTexCoord2f(target, s, t);
}
void APIENTRY multiTexCoord4f(GLenum target, GLfloat s, GLfloat t, GLfloat, GLfloat) {
  multiTexCoord2f(target, s, t);
}

// WebGL 1 draws into the one colour attachment of a framebuffer and into the back buffer of the
// canvas: there is nothing to select.
void APIENTRY drawBuffers(GLsizei, const GLenum*) {}

// WebGL 1 has no 24-bit depth format of its own, but its depth-and-stencil format is at least 24
// bits deep; 16 bits would break up the cube cloud's faces at the show's 0.1 to 10 000 depth range.
void APIENTRY renderbufferStorage(GLenum target, GLenum format, GLsizei width, GLsizei height) {
  glRenderbufferStorage(target, format == GL_DEPTH_COMPONENT24 ? GL_DEPTH_STENCIL : format, width,
                        height);
}
void APIENTRY framebufferRenderbuffer(GLenum target, GLenum attachment, GLenum renderbufferTarget,
                                      GLuint renderbuffer) {
  glFramebufferRenderbuffer(
      target, attachment == GL_DEPTH_ATTACHMENT ? GL_DEPTH_STENCIL_ATTACHMENT : attachment,
      renderbufferTarget, renderbuffer);
}

struct ShimEntry {
  const char* name;
  void* function;
};

template <typename Function>
void* address(Function* function) {
  return reinterpret_cast<void*>(function);
}

const ShimEntry kShims[] = {
    {"glShaderSource", address(&shaderSource)},
    {"glUseProgram", address(&useProgram)},
    {"glGenVertexArrays", address(&genVertexArrays)},
    {"glDeleteVertexArrays", address(&deleteVertexArrays)},
    {"glBindVertexArray", address(&bindVertexArray)},
    {"glVertexAttribPointer", address(&vertexAttribPointer)},
    {"glEnableVertexAttribArray", address(&enableVertexAttribArray)},
    {"glMultiTexCoord1f", address(&multiTexCoord1f)},
    {"glMultiTexCoord2f", address(&multiTexCoord2f)},
    {"glMultiTexCoord3f", address(&multiTexCoord3f)},
    {"glMultiTexCoord4f", address(&multiTexCoord4f)},
    {"glDrawBuffers", address(&drawBuffers)},
    {"glRenderbufferStorageEXT", address(&renderbufferStorage)},
    {"glFramebufferRenderbufferEXT", address(&framebufferRenderbuffer)},
};

// GLU's choice of size for a picture that is not a power of two: the power of two below, unless
// the two highest bits are both set, then the one above (5 and 6 give 4 and 8).
GLsizei gluPowerOfTwo(GLsizei value) {
  GLsizei power = 1;
  for (auto v = static_cast<uint32_t>(value); v > 1; v >>= 1) {
    if (v == 3) return power * 4;
    power *= 2;
  }
  return power;
}

// Box-filtered RGBA rescale from width x height to toWidth x toHeight.
std::vector<uint8_t> scaleRgba(const uint8_t* pixels, GLsizei width, GLsizei height,
                               GLsizei toWidth, GLsizei toHeight) {
  std::vector<uint8_t> out(static_cast<size_t>(toWidth) * toHeight * 4);
  for (GLsizei y = 0; y < toHeight; ++y) {
    const GLsizei y0 = y * height / toHeight;
    const GLsizei y1 = std::max(y0 + 1, (y + 1) * height / toHeight);
    for (GLsizei x = 0; x < toWidth; ++x) {
      const GLsizei x0 = x * width / toWidth;
      const GLsizei x1 = std::max(x0 + 1, (x + 1) * width / toWidth);
      std::array<uint32_t, 4> sum = {};
      for (GLsizei sy = y0; sy < y1; ++sy) {
        for (GLsizei sx = x0; sx < x1; ++sx) {
          for (int c = 0; c < 4; ++c)
            sum[c] += pixels[(static_cast<size_t>(sy) * width + sx) * 4 + c];
        }
      }
      const uint32_t count = static_cast<uint32_t>((y1 - y0) * (x1 - x0));
      for (int c = 0; c < 4; ++c) {
        out[(static_cast<size_t>(y) * toWidth + x) * 4 + c] = static_cast<uint8_t>(sum[c] / count);
      }
    }
  }
  return out;
}

// glPushAttrib's stack: the show pushes only the viewport.
std::vector<std::array<GLint, 4>> viewportStack;

}  // namespace

void* webglShimProcAddress(const char* name) {
  for (const ShimEntry& shim : kShims) {
    if (std::strcmp(shim.name, name) == 0) return shim.function;
  }
  return nullptr;
}

void glPushAttrib(GLbitfield) {
  std::array<GLint, 4> viewport;
  glGetIntegerv(GL_VIEWPORT, viewport.data());
  viewportStack.push_back(viewport);
}

void glPopAttrib() {
  if (viewportStack.empty()) return;
  const std::array<GLint, 4>& viewport = viewportStack.back();
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  viewportStack.pop_back();
}

// WebGL 1 builds mipmaps for power-of-two sizes only; other sizes are scaled first, as GLU does.
// The show hands over RGBA bytes only.
GLint gluBuild2DMipmaps(GLenum target, GLint, GLsizei width, GLsizei height, GLenum format,
                        GLenum type, const void* data) {
  const GLsizei toWidth = gluPowerOfTwo(width);
  const GLsizei toHeight = gluPowerOfTwo(height);
  std::vector<uint8_t> scaled;
  if (toWidth != width || toHeight != height) {
    scaled = scaleRgba(static_cast<const uint8_t*>(data), width, height, toWidth, toHeight);
    data = scaled.data();
  }
  glTexImage2D(target, 0, GL_RGBA, toWidth, toHeight, 0, format, type, data);
  glGenerateMipmap(target);
  return 0;
}
