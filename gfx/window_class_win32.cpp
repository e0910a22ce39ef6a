// The window class on Windows: SDL registers one class for all its windows when its video starts,
// under the name and style given to SDL_RegisterApp beforehand. This program has its own main(),
// not SDL's WinMain, so it also tells SDL that the start-up SDL_main would do has been done.
//   [x] window class "demo_zor", CS_HREDRAW | CS_VREDRAW | CS_OWNDC (SDL_RegisterApp)
//   [ ] class icon IDI_WINLOGO: SDL gives the class the program's first icon instead, the one
//       gfx/program_win32.rc embeds
#include <SDL.h>
#include <windows.h>

#include "gfx/backends.h"
#include "gfx/window_identity.h"

void prepareSdlVideo() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  SDL_SetMainReady();
  // Owning its device context keeps the pixel format and GL context bound to the window for life.
  SDL_RegisterApp(kWindowClass, CS_HREDRAW | CS_VREDRAW | CS_OWNDC, GetModuleHandleA(nullptr));
}
