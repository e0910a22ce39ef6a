// ALSA's error hook, pointed at a handler that drops every message. SDL's ALSA output loads the
// same libasound at run time, so the hook set here covers its device probing too.
//   [x] nothing on stderr without a sound device   [x] hook (snd_lib_error_set_handler)
#include <alsa/asoundlib.h>

#include "audio/library_messages.h"

namespace {

void dropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void silenceSoundLibraryMessages() { snd_lib_error_set_handler(&dropAlsaMessage); }
