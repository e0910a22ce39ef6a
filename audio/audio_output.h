// The words the music state and the audio engine share: where the engine's sound goes, and the
// handle of a channel. Kept apart so that the engine needs nothing of the music state.
#pragma once

#include <cstdint>

using ChannelHandle = uint32_t;

// Where the engine sends its sound.
enum class AudioOutput {
  Device,  // the default output device, or the silent real-time clock when there is none
  Silent,  // no device: the play position follows the monotonic clock
  Driven,  // no device: the play position follows the demo time given to fetchSpectrum (capture)
};
