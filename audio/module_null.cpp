// The tracker-module twin for builds without libopenmpt (the web build): the show's own music is an
// MP3, so a module named as the music is refused with a clear sentence instead of played.
//   [x] a module refused by name   [ ] tracker modules (the web build has no libopenmpt)
#include "audio/decoder.h"

std::optional<DecodedAudio> renderModuleFile(const std::string& path, int, std::string& error) {
  error = "The music file \"" + path + "\" is a tracker module, which this build cannot play.";
  return std::nullopt;
}
