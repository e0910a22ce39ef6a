// OpenGL for the whole program: the 1.1 API from the system's GL library, and every entry point
// beyond 1.1 as a process-wide pointer named like the function. The pointers live in namespace gl
// so they never collide with the symbols that libGL itself exports; call them as gl::glUseProgram.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

namespace gl {

// Compatibility-profile multitexture entries that some glext.h versions leave without a typedef.
using ClientActiveTextureProc = void(APIENTRYP)(GLenum texture);
using MultiTexCoord1fProc = void(APIENTRYP)(GLenum target, GLfloat s);
using MultiTexCoord2fProc = void(APIENTRYP)(GLenum target, GLfloat s, GLfloat t);
using MultiTexCoord3fProc = void(APIENTRYP)(GLenum target, GLfloat s, GLfloat t, GLfloat r);
using MultiTexCoord4fProc = void(APIENTRYP)(GLenum target, GLfloat s, GLfloat t, GLfloat r,
                                            GLfloat q);

#define NIGHTLOOM_GL_POINTERS(X)                                       \
  X(PFNGLBLENDEQUATIONPROC, glBlendEquation)                           \
  X(PFNGLBLENDEQUATIONEXTPROC, glBlendEquationEXT)                     \
  X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                           \
  X(ClientActiveTextureProc, glClientActiveTexture)                    \
  X(MultiTexCoord1fProc, glMultiTexCoord1f)                            \
  X(MultiTexCoord2fProc, glMultiTexCoord2f)                            \
  X(MultiTexCoord3fProc, glMultiTexCoord3f)                            \
  X(MultiTexCoord4fProc, glMultiTexCoord4f)                            \
  X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                           \
  X(PFNGLDELETESHADERPROC, glDeleteShader)                             \
  X(PFNGLCREATESHADERPROC, glCreateShader)                             \
  X(PFNGLSHADERSOURCEPROC, glShaderSource)                             \
  X(PFNGLCOMPILESHADERPROC, glCompileShader)                           \
  X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                           \
  X(PFNGLATTACHSHADERPROC, glAttachShader)                             \
  X(PFNGLLINKPROGRAMPROC, glLinkProgram)                               \
  X(PFNGLUSEPROGRAMPROC, glUseProgram)                                 \
  X(PFNGLUNIFORM1IPROC, glUniform1i)                                   \
  X(PFNGLUNIFORM2IPROC, glUniform2i)                                   \
  X(PFNGLUNIFORM3IPROC, glUniform3i)                                   \
  X(PFNGLUNIFORM4IPROC, glUniform4i)                                   \
  X(PFNGLUNIFORM1FVPROC, glUniform1fv)                                 \
  X(PFNGLUNIFORM2FVPROC, glUniform2fv)                                 \
  X(PFNGLUNIFORM3FVPROC, glUniform3fv)                                 \
  X(PFNGLUNIFORM4FVPROC, glUniform4fv)                                 \
  X(PFNGLUNIFORM1IVPROC, glUniform1iv)                                 \
  X(PFNGLUNIFORM2IVPROC, glUniform2iv)                                 \
  X(PFNGLUNIFORM3IVPROC, glUniform3iv)                                 \
  X(PFNGLUNIFORM4IVPROC, glUniform4iv)                                 \
  X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)                     \
  X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                             \
  X(PFNGLGETSHADERIVPROC, glGetShaderiv)                               \
  X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                 \
  X(PFNGLGETATTRIBLOCATIONPROC, glGetAttribLocation)                   \
  X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation)                 \
  X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                     \
  X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                   \
  X(PFNGLGENFRAMEBUFFERSEXTPROC, glGenFramebuffersEXT)                 \
  X(PFNGLDELETEFRAMEBUFFERSEXTPROC, glDeleteFramebuffersEXT)           \
  X(PFNGLBINDFRAMEBUFFEREXTPROC, glBindFramebufferEXT)                 \
  X(PFNGLFRAMEBUFFERTEXTURE2DEXTPROC, glFramebufferTexture2DEXT)       \
  X(PFNGLGENRENDERBUFFERSEXTPROC, glGenRenderbuffersEXT)               \
  X(PFNGLDELETERENDERBUFFERSEXTPROC, glDeleteRenderbuffersEXT)         \
  X(PFNGLBINDRENDERBUFFEREXTPROC, glBindRenderbufferEXT)               \
  X(PFNGLRENDERBUFFERSTORAGEEXTPROC, glRenderbufferStorageEXT)         \
  X(PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC, glFramebufferRenderbufferEXT) \
  X(PFNGLDRAWBUFFERSPROC, glDrawBuffers)                               \
  X(PFNGLGENBUFFERSPROC, glGenBuffers)                                 \
  X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                           \
  X(PFNGLBINDBUFFERPROC, glBindBuffer)                                 \
  X(PFNGLBUFFERDATAPROC, glBufferData)                                 \
  X(PFNGLBUFFERSUBDATAPROC, glBufferSubData)                           \
  X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays)                       \
  X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray)                       \
  X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)       \
  X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)               \
  X(PFNGLDELETEVERTEXARRAYSPROC, glDeleteVertexArrays)                 \
  X(PFNGLGENQUERIESPROC, glGenQueries)                                 \
  X(PFNGLDELETEQUERIESPROC, glDeleteQueries)                           \
  X(PFNGLBEGINQUERYPROC, glBeginQuery)                                 \
  X(PFNGLENDQUERYPROC, glEndQuery)                                     \
  X(PFNGLGETQUERYOBJECTUI64VPROC, glGetQueryObjectui64v)

#define NIGHTLOOM_DECLARE_GL_POINTER(type, name) extern type name;
NIGHTLOOM_GL_POINTERS(NIGHTLOOM_DECLARE_GL_POINTER)
#undef NIGHTLOOM_DECLARE_GL_POINTER

// Where a finished frame goes: the window's back buffer (framebuffer 0, GL_BACK), or the colour
// attachment of a framebuffer object where an off-screen display has no back buffer of its own.
// The display that made the context sets it; the timeline, the frame loop and the frame readback
// go through it.
struct FrameTarget {
  GLuint framebuffer = 0;
  GLenum colourBuffer = GL_BACK;
};
extern FrameTarget frameTarget;

// Binds frameTarget's framebuffer (once the framebuffer entry points are loaded).
void bindFrameTarget();

// The current context's renderer by name: GL_RENDERER, unless a display knows better (a browser's
// WebGL calls itself "WebKit WebGL" and names the real renderer only through an extension).
extern const char* (*rendererName)();

// Whether the current context's renderer draws on the processor (Mesa's llvmpipe and softpipe,
// SwiftShader): there reading a picture back is a copy in memory, and a vertex costs the one
// thread that shades it, so trading a read-back for vertices pays; on a graphics card it does not.
bool rendererDrawsOnTheProcessor();

// Sets the blend equation through glBlendEquation when it was loaded, else glBlendEquationEXT.
// Every blend-equation change in the program goes through here.
void setBlendEquation(GLenum mode);

}  // namespace gl
