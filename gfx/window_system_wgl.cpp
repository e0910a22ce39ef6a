// The window system under SDL on Windows: WGL. Its extension string comes from
// wglGetExtensionsStringARB for the current device context, or from the older
// wglGetExtensionsStringEXT where only that exists; choosing a pixel format needs
// WGL_ARB_pixel_format. Both entry points are beyond what opengl32.dll exports, so they are asked
// for by name like every GL function past 1.1.
//   [x] WGL extension string (ARB, EXT fallback)   [x] WGL_ARB_pixel_format required
//   [x] entry points through SDL_GL_GetProcAddress (wglGetProcAddress)
#include <SDL.h>
#include <windows.h>

#include "gfx/window_system.h"

namespace {

using GetExtensionsStringArb = const char*(WINAPI*)(HDC dc);
using GetExtensionsStringExt = const char*(WINAPI*)();

}  // namespace

const char* windowSystemExtensions() {
  if (auto arb = reinterpret_cast<GetExtensionsStringArb>(
          SDL_GL_GetProcAddress("wglGetExtensionsStringARB"))) {
    return arb(wglGetCurrentDC());
  }
  if (auto ext = reinterpret_cast<GetExtensionsStringExt>(
          SDL_GL_GetProcAddress("wglGetExtensionsStringEXT"))) {
    return ext();
  }
  return nullptr;
}

const char* windowSystemPixelFormatExtension() { return "WGL_ARB_pixel_format"; }
