// The platform's display-mode query for the resolution list: the modes of the primary display and
// the desktop's current mode. On Linux it comes from SDL2 (display_query_sdl.cpp).
#pragma once

#include "launcher/display_modes.h"

// SDL2's modes of display 0. Initialises SDL's video subsystem when it is not yet (SDL counts the
// initialisations, so a later SDL_Init and the final SDL_Quit stay balanced); when that fails the
// query reports no modes and no desktop. 24-bit colour stored in 4 bytes (SDL's usual RGB888)
// counts as 32 bits; an unknown refresh rate stays 0.
DisplayModeQuery sdlDisplayModeQuery();
