// The show's soundtrack: opened with the assets, started in the first frame after 3000 ms (at
// volume 0 when the music box is off, so it is still analysed), stopped at shutdown. MusicState
// holds the engine, the live channel and the spectrum of the current frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct DemoContext;
class AudioEngine;  // audio/audio_engine.h

using ChannelHandle = uint32_t;

// Where the engine sends its sound.
enum class AudioOutput {
  Device,  // the default output device, or the silent real-time clock when there is none
  Silent,  // no device: the play position follows the monotonic clock
  Driven,  // no device: the play position follows the demo time given to fetchSpectrum (capture)
};

struct MusicState {
  MusicState();
  ~MusicState();  // stops and frees the engine
  MusicState(const MusicState&) = delete;
  MusicState& operator=(const MusicState&) = delete;

  uint8_t isModule = 0;
  ChannelHandle moduleHandle = 0;
  ChannelHandle streamHandle = 0;
  float spectrum[1024] = {};

  AudioOutput output = AudioOutput::Device;  // chosen before openMusic
  std::unique_ptr<AudioEngine> engine;
  std::string error;  // why openMusic failed, one sentence naming the file

  ChannelHandle live() const { return isModule ? moduleHandle : streamHandle; }
};

// Opens the engine and "Data\music.mp3" (found as Data/music.mp3 in the working directory, else
// beside the executable). False with music.error set when the engine or the file fails.
bool openMusic(DemoContext& context);
// Once ms > 3000 and not yet started: mute when the music box is off, start, play.
void startMusicIfDue(DemoContext& context, uint32_t ms);
void stopMusic(DemoContext& context);

// The same on the music state alone. openMusicFile opens the engine (if not yet open) with
// music.output and the file at `path`: a file whose upper-cased name contains "MP3" is a stream,
// any other a tracker module.
bool openMusicFile(MusicState& music, const std::string& path);
// Returns whether it started the music now; `started` is DemoContext::musicStarted.
bool startMusicIfDue(MusicState& music, uint8_t& started, bool enabled, uint32_t ms);
void stopMusic(MusicState& music, uint8_t& started);
// Fills music.spectrum with the 2048-point FFT of what is heard at demo time ms (zeros before the
// music starts and after its end). False when there is no live channel.
bool fetchSpectrum(MusicState& music, uint32_t ms);
