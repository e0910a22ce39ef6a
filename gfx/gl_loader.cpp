// The entry-point loader: fetches every GL function beyond 1.1 through the display's proc-address
// hook, in a fixed order, and refuses drivers that lack what the show draws with. It runs once,
// right after the context is made; later calls return at once.
#include "gfx/gl_loader.h"

#include <cstdlib>
#include <cstring>

#include "gfx/gl.h"

namespace {

template <typename Pointer>
void fetch(LoaderHooks& hooks, Pointer& pointer, const char* name) {
  pointer = reinterpret_cast<Pointer>(hooks.glProcAddress(name));
}

#define FETCH(name) fetch(hooks, gl::name, #name)

void fetchShaderEntryPoints(LoaderHooks& hooks) {
  FETCH(glDeleteProgram);
  FETCH(glDeleteShader);
  FETCH(glCreateShader);
  FETCH(glShaderSource);
  FETCH(glCompileShader);
  FETCH(glCreateProgram);
  FETCH(glAttachShader);
  FETCH(glLinkProgram);
  FETCH(glUseProgram);
  FETCH(glUniform1i);
  FETCH(glUniform2i);
  FETCH(glUniform3i);
  FETCH(glUniform4i);
  FETCH(glUniform1fv);
  FETCH(glUniform2fv);
  FETCH(glUniform3fv);
  FETCH(glUniform4fv);
  FETCH(glUniform1iv);
  FETCH(glUniform2iv);
  FETCH(glUniform3iv);
  FETCH(glUniform4iv);
  FETCH(glUniformMatrix4fv);
  FETCH(glGetProgramiv);
  FETCH(glGetShaderiv);
  FETCH(glGetUniformLocation);
  FETCH(glGetAttribLocation);
  FETCH(glBindAttribLocation);
  // Not part of the show's table: only read to report why a shader failed.
  FETCH(glGetShaderInfoLog);
  FETCH(glGetProgramInfoLog);
}

void fetchFramebufferEntryPoints(LoaderHooks& hooks) {
  FETCH(glGenFramebuffersEXT);
  FETCH(glDeleteFramebuffersEXT);
  FETCH(glBindFramebufferEXT);
  FETCH(glFramebufferTexture2DEXT);
  FETCH(glGenRenderbuffersEXT);
  FETCH(glDeleteRenderbuffersEXT);
  FETCH(glBindRenderbufferEXT);
  FETCH(glRenderbufferStorageEXT);
  FETCH(glFramebufferRenderbufferEXT);
  FETCH(glDrawBuffers);
}

void fetchBufferEntryPoints(LoaderHooks& hooks) {
  FETCH(glGenBuffers);
  FETCH(glDeleteBuffers);
  FETCH(glBindBuffer);
  FETCH(glBufferData);
  FETCH(glBufferSubData);
  FETCH(glGenVertexArrays);
  FETCH(glBindVertexArray);
  FETCH(glEnableVertexAttribArray);
  FETCH(glVertexAttribPointer);
  FETCH(glDeleteVertexArrays);
}

// Only the benchmark counts with these, and only where the driver has the counters it reads.
void fetchQueryEntryPoints(LoaderHooks& hooks) {
  FETCH(glGenQueries);
  FETCH(glDeleteQueries);
  FETCH(glBeginQuery);
  FETCH(glEndQuery);
  FETCH(glGetQueryObjectui64v);
}

// The six multitexture entry points; false when any is missing.
bool fetchMultitextureEntryPoints(LoaderHooks& hooks) {
  FETCH(glActiveTexture);
  FETCH(glClientActiveTexture);
  FETCH(glMultiTexCoord1f);
  FETCH(glMultiTexCoord2f);
  FETCH(glMultiTexCoord3f);
  FETCH(glMultiTexCoord4f);
  return gl::glActiveTexture && gl::glClientActiveTexture && gl::glMultiTexCoord1f &&
         gl::glMultiTexCoord2f && gl::glMultiTexCoord3f && gl::glMultiTexCoord4f;
}

#undef FETCH

std::string versionText(const GLVersion& version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor);
}

}  // namespace

// GL_VERSION starts "major.minor" but may carry vendor text after it (and OpenGL ES strings text
// before it); the one digit before the first dot is the major version, as no GL major has two.
GLVersion parseGLVersion(const char* versionString) {
  GLVersion version;
  if (!versionString) return version;
  const char* dot = std::strchr(versionString, '.');
  if (!dot) return version;
  if (dot > versionString) {
    const char major[2] = {dot[-1], '\0'};
    version.major = std::atoi(major);
  }
  version.minor = std::atoi(dot + 1);
  return version;
}

// A plain strstr would take GL_ARB_imaging_extra for GL_ARB_imaging: a match counts only where a
// space or the list's ends stand on both sides of it.
bool hasExtensionIn(const char* list, const char* name) {
  if (!list || !name || !*name || std::strchr(name, ' ')) return false;
  const size_t length = std::strlen(name);
  for (const char* at = std::strstr(list, name); at; at = std::strstr(at + length, name)) {
    const bool startsWord = at == list || at[-1] == ' ';
    const bool endsWord = at[length] == ' ' || at[length] == '\0';
    if (startsWord && endsWord) return true;
  }
  return false;
}

const char* LoaderHooks::glVersionString() {
  return reinterpret_cast<const char*>(glGetString(GL_VERSION));
}

bool ExtensionLoader::hasExtension(const char* name) const {
  return current && hasExtensionIn(current->glExtensions(), name);
}

bool ExtensionLoader::fail(std::string reason) {
  failure = std::move(reason);
  return false;
}

// Each group of entry points is fetched right after the check that the driver offers it, so the
// sentence of a refusal names the first thing missing; a blend equation is looked up under the
// name its extension gives it.
bool ExtensionLoader::load(LoaderHooks& hooks, const GLVersion& version) {
  if (loaded) return true;
  current = &hooks;

  const char* windowSystem = hooks.windowSystemExtensions();
  if (!windowSystem) return fail("the window system offers no extension string");
  // The swap-interval entry stays with the display backend, which applies the VSync setting.

  if (hasExtension("GL_ARB_imaging")) {
    fetch(hooks, gl::glBlendEquation, "glBlendEquation");
  } else if (hasExtension("GL_EXT_blend_subtract")) {
    fetch(hooks, gl::glBlendEquationEXT, "glBlendEquationEXT");
  } else {
    return fail(
        "a subtractive blend equation (GL_ARB_imaging or GL_EXT_blend_subtract) is required");
  }

  if (!fetchMultitextureEntryPoints(hooks)) {
    return fail("the multitexture entry points are missing");
  }

  if (!version.atLeast(2, 0)) {
    return fail("OpenGL 2.0 or later is required; this driver offers " + versionText(version));
  }
  fetchShaderEntryPoints(hooks);

  if (!hasExtension("GL_EXT_framebuffer_object")) {
    return fail("framebuffer objects (GL_EXT_framebuffer_object) are required");
  }
  fetchFramebufferEntryPoints(hooks);

  const char* pixelFormat = hooks.pixelFormatExtension();
  if (pixelFormat && !hasExtensionIn(windowSystem, pixelFormat)) {
    return fail(std::string("the window system lacks ") + pixelFormat);
  }

  // The dot field draws from vertex buffers and vertex arrays, which only 3.0 guarantees.
  if (!version.atLeast(3, 0)) {
    return fail("OpenGL 3.0 or later is required for the dot field; this driver offers " +
                versionText(version));
  }
  fetchBufferEntryPoints(hooks);
  if (hasExtension("GL_ARB_pipeline_statistics_query") &&
      (version.atLeast(3, 3) || hasExtension("GL_ARB_timer_query"))) {
    fetchQueryEntryPoints(hooks);
  }

  loaded = true;
  return true;
}
