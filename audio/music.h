// The show's soundtrack: opened with the assets, started in the first frame after 3000 ms (at
// volume 0 when the music box is off, so it is still analysed), stopped at shutdown. MusicState
// holds the engine, the live channel and the spectrum of the current frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio/audio_output.h"

class AudioEngine;  // audio/audio_engine.h

// The music starts in the first frame after this demo time; the opening fade covers the wait.
inline constexpr uint32_t kMusicStartMs = 3000;

struct MusicState {
  MusicState();
  ~MusicState();  // stops and frees the engine
  MusicState(const MusicState&) = delete;
  MusicState& operator=(const MusicState&) = delete;

  uint8_t isModule = 0;
  ChannelHandle moduleHandle = 0;
  ChannelHandle streamHandle = 0;
  float spectrum[1024] = {};

  AudioOutput output = AudioOutput::Device;  // chosen before openMusicFile
  std::unique_ptr<AudioEngine> engine;
  std::string error;  // why openMusicFile failed, one sentence naming the file

  ChannelHandle live() const { return isModule ? moduleHandle : streamHandle; }
};

// Opens the engine (if not yet open) with music.output and the file at `path`: a file whose
// upper-cased name contains "MP3" is a stream, any other a tracker module. False with music.error
// set when the engine or the file fails.
bool openMusicFile(MusicState& music, const std::string& path);
// Once ms > 3000 and not yet `started`: mute when not `enabled` (the music box is off), start,
// play. Returns whether it started the music now.
bool startMusicIfDue(MusicState& music, uint8_t& started, bool enabled, uint32_t ms);
// Stops the output once the music was started; `started` goes back to 0.
void stopMusic(MusicState& music, uint8_t& started);
// Fills music.spectrum with the 2048-point FFT of what is heard at demo time ms (zeros before the
// music starts and after its end). False when there is no live channel.
bool fetchSpectrum(MusicState& music, uint32_t ms);
