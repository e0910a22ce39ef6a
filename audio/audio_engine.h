// The show's small audio engine: an output (a sound device, the silent clock or the capture's
// driven clock), channels made from an MP3 stream or a tracker module, each decoded whole when it
// is created, playback with a volume per channel, and the spectrum of what a channel sounds like
// now.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/audio_device.h"
#include "audio/audio_output.h"
#include "audio/fft.h"

class AudioEngine : public AudioMixer {
 public:
  static constexpr int kDefaultRate = 44100;

  // Opens the output. AudioOutput::Device uses the registered device factory and, when there is no
  // usable device, the silent clock instead, saying so in one line on stderr.
  static std::unique_ptr<AudioEngine> open(AudioOutput output, int rate = kDefaultRate);
  ~AudioEngine() override;  // closes the output, then frees every channel
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  // A channel from an MPEG audio file, decoded whole (exact length, gapless) and brought to the
  // engine's rate. 0 with `error` set (one sentence naming the file) on failure.
  ChannelHandle createStream(const std::string& path, std::string& error);
  // A channel from a tracker module, rendered whole with volume ramping. 0 with `error` on failure.
  ChannelHandle loadModule(const std::string& path, std::string& error);

  void start();  // begins output; channels that play are heard from now on
  void stop();   // halts output; play positions stand still
  // Starts a channel from its beginning at the next frame to be heard; nothing if already playing.
  bool play(ChannelHandle channel);
  bool setVolume(ChannelHandle channel, float volume);  // 0 silent .. 1 as decoded
  // AudioOutput::Driven only: the demo time now. Play positions advance with it, not with a clock.
  void setDrivenTime(uint32_t ms);

  // The channel's spectrum now (kFftBins magnitudes, defined in audio/fft.h). False for an unknown
  // channel.
  bool spectrum(ChannelHandle channel, float* bins);

  AudioOutput output() const { return outputKind; }  // after any fallback: Device, Silent or Driven
  int rate() const { return outputRate; }
  int64_t length(ChannelHandle channel) const;  // frames at rate(); 0 for an unknown channel
  // Frames of the channel the listener has heard; negative or 0 before it sounds.
  int64_t position(ChannelHandle channel) const;
  // Interleaved stereo at rate(); null for an unknown channel.
  const std::vector<float>* samples(ChannelHandle channel) const;

  void mix(float* out, int frames, int64_t first) override;

 private:
  struct Channel {
    std::vector<float> samples;  // interleaved stereo, never changed after creation
    bool playing = false;
    int64_t startFrame = 0;  // output frame at which the channel's first frame is heard
    float volume = 1.0f;
  };

  AudioEngine(AudioOutput output, int rate);
  ChannelHandle addChannel(std::vector<float> samples);
  Channel* find(ChannelHandle channel) const;
  int64_t heardFrame() const;
  int64_t nextMixFrame() const;

  AudioOutput outputKind;
  const int outputRate;
  std::unique_ptr<AudioDevice> device;  // null for Driven
  int64_t drivenFrame = 0;
  mutable std::mutex mutex;  // guards channel state against the device's mixing thread
  std::vector<std::unique_ptr<Channel>> channels;  // handle = index + 1
  SpectrumTransform transform;
  std::vector<float> mono;
};
