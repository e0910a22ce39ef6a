// The sound library's messages where it prints none: SDL's Windows outputs (WASAPI, DirectSound)
// report through SDL_GetError alone, which the show's own line already quotes.
//   [x] nothing on stderr without a sound device   [ ] hook (none needed)
#include "audio/library_messages.h"

void silenceSoundLibraryMessages() {}
