// Loads every GL entry point beyond 1.1 once a context is current and decides whether the driver is
// good enough for the show. The window-system half (its extension string, the pixel-format
// extension, proc addresses) comes from a LoaderHooks implementation: each display backend is one,
// and tests give a fake one to drive the loader's failure points.
#pragma once

#include <string>

struct GLVersion {
  int major = 0;
  int minor = 0;
  bool atLeast(int wantMajor, int wantMinor) const {
    return major > wantMajor || (major == wantMajor && minor >= wantMinor);
  }
};

// Reads "major.minor" from a GL_VERSION string: one digit before the first '.', the number after.
GLVersion parseGLVersion(const char* versionString);

class LoaderHooks {
 public:
  virtual ~LoaderHooks() = default;
  virtual void* glProcAddress(const char* name) = 0;
  // GL_EXTENSIONS of the current context.
  virtual const char* glExtensions() = 0;
  // GL_VERSION of the current context; a display whose GL is translated onto another API (WebGL)
  // gives the version of the desktop GL it stands in for.
  virtual const char* glVersionString();
  // The window system's own extension string (WGL, GLX, EGL); null when it offers no query.
  virtual const char* windowSystemExtensions() = 0;
  // The window-system extension that choosing a framebuffer format needs; null when the window
  // system (or the toolkit that made the context) chose it without one.
  virtual const char* pixelFormatExtension() = 0;
  // Sets the swap interval (0 or 1); false when the window system refuses.
  virtual bool setSwapInterval(int interval) = 0;
};

// Whole-word search of `name` in a space-separated extension list.
bool hasExtensionIn(const char* list, const char* name);

class ExtensionLoader {
 public:
  // Loads the entry points through `hooks` (the display that made the context, whose GL version
  // is `version`). False when the driver lacks something the show needs; failureReason() then
  // says what, in one sentence. Once loaded, later calls return true at once.
  bool load(LoaderHooks& hooks, const GLVersion& version);
  // Whether the current context advertises `name` (whole word) in GL_EXTENSIONS.
  bool hasExtension(const char* name) const;
  const std::string& failureReason() const { return failure; }

  bool loaded = false;

 private:
  bool fail(std::string reason);
  LoaderHooks* current = nullptr;
  std::string failure;
};
