// The platform's display-mode query for the resolution list: the modes of the primary display and
// the desktop's current mode, from SDL2 on Linux and Windows (display_query_sdl.cpp). The web build
// has no resolution list: the page sizes the canvas.
#pragma once

#include "launcher/display_modes.h"

// SDL2's modes of display 0. Initialises SDL's video subsystem when it is not yet (SDL counts the
// initialisations, so a later SDL_Init and the final SDL_Quit stay balanced); when that fails the
// query reports no modes and no desktop. 24-bit colour stored in 4 bytes (SDL's usual RGB888)
// counts as 32 bits; an unknown refresh rate stays 0.
DisplayModeQuery sdlDisplayModeQuery();
