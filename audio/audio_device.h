// The seam between the audio engine and a sound output. The engine mixes; a device pulls the mix
// and says which frame the listener hears now. The engine knows only this interface: the entry
// registers a device's factory at start-up (output_sdl.cpp on Linux, Windows and the web, where
// SDL plays through Web Audio), and without one the engine runs on the silent device
// (output_null.cpp), as it does everywhere when no sound device opens.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// What a device pulls its sound from.
class AudioMixer {
 public:
  virtual ~AudioMixer() = default;
  // Fills `frames` interleaved stereo float frames, to be heard from device frame `first` on.
  // Called on the device's own thread.
  virtual void mix(float* out, int frames, int64_t first) = 0;
};

class AudioDevice {
 public:
  virtual ~AudioDevice() = default;
  // Begins (or resumes) output; the frame count starts moving.
  virtual bool start() = 0;
  // Halts output; the frame count stands still until the next start.
  virtual void stop() = 0;
  // The device frame the listener hears now, the output latency allowed for (0 before start).
  virtual int64_t heardFrame() const = 0;
  // The first device frame not yet handed to the output: sound added now is heard from here on.
  virtual int64_t nextMixFrame() const = 0;
};

// Opens the default output device at `rate` (stereo) pulling from `mixer`; null with `error` set
// (one sentence) when there is no usable device.
using AudioDeviceFactory = std::unique_ptr<AudioDevice> (*)(int rate, AudioMixer& mixer,
                                                            std::string& error);

// Registers the backend's device factory (null: none); the engine uses it for AudioOutput::Device.
void setAudioDeviceFactory(AudioDeviceFactory factory);
AudioDeviceFactory audioDeviceFactory();

// No sound at all: the heard frame follows the monotonic clock while started.
std::unique_ptr<AudioDevice> createSilentDevice(int rate);
