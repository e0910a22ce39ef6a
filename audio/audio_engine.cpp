// The audio engine: channel bookkeeping, the mix the device pulls, and the spectrum at the play
// position. Output positions are counted in frames of the output since it was first started.
#include "audio/audio_engine.h"

#include <algorithm>
#include <cstdio>

#include "audio/decoder.h"

std::unique_ptr<AudioEngine> AudioEngine::open(AudioOutput output, int rate) {
  std::unique_ptr<AudioEngine> engine(new AudioEngine(output, rate));
  // Driven output has no device at all: the play position is the demo time the capture sets.
  if (output == AudioOutput::Driven) return engine;
  if (output == AudioOutput::Device) {
    std::string why = "this build has no sound output";
    if (AudioDeviceFactory factory = audioDeviceFactory()) {
      engine->device = factory(rate, *engine, why);
    }
    if (engine->device) return engine;
    std::fprintf(stderr, "nightloom: no sound device (%s); the show plays silently.\n",
                 why.c_str());
    engine->outputKind = AudioOutput::Silent;
  }
  engine->device = createSilentDevice(rate);
  return engine;
}

AudioEngine::AudioEngine(AudioOutput output, int rate)
    : outputKind(output), outputRate(rate), mono(kFftSize) {}

AudioEngine::~AudioEngine() {
  // The device's thread mixes from the channels: close it before they go.
  device.reset();
}

ChannelHandle AudioEngine::createStream(const std::string& path, std::string& error) {
  std::optional<DecodedAudio> audio = decodeMpegFile(path, error);
  if (!audio) return 0;
  return addChannel(resampleTo(*audio, outputRate).samples);
}

ChannelHandle AudioEngine::loadModule(const std::string& path, std::string& error) {
  std::optional<DecodedAudio> audio = renderModuleFile(path, outputRate, error);
  if (!audio) return 0;
  return addChannel(std::move(audio->samples));
}

// Decoding is done before the lock is taken, so a device already playing never waits for a file.
ChannelHandle AudioEngine::addChannel(std::vector<float> samples) {
  auto channel = std::make_unique<Channel>();
  channel->samples = std::move(samples);
  std::lock_guard lock(mutex);
  channels.push_back(std::move(channel));
  return static_cast<ChannelHandle>(channels.size());
}

// Handles count from 1, so that 0 can mean "no channel" to the music state.
AudioEngine::Channel* AudioEngine::find(ChannelHandle channel) const {
  if (channel == 0 || channel > channels.size()) return nullptr;
  return channels[channel - 1].get();
}

void AudioEngine::start() {
  if (device) device->start();
}

void AudioEngine::stop() {
  if (device) device->stop();
}

bool AudioEngine::play(ChannelHandle handle) {
  std::lock_guard lock(mutex);
  Channel* channel = find(handle);
  if (!channel) return false;
  if (!channel->playing) {
    channel->startFrame = nextMixFrame();
    channel->playing = true;
  }
  return true;
}

bool AudioEngine::setVolume(ChannelHandle handle, float volume) {
  std::lock_guard lock(mutex);
  Channel* channel = find(handle);
  if (!channel) return false;
  channel->volume = std::clamp(volume, 0.0f, 1.0f);
  return true;
}

void AudioEngine::setDrivenTime(uint32_t ms) {
  drivenFrame = static_cast<int64_t>(ms) * outputRate / 1000;
}

int64_t AudioEngine::heardFrame() const { return device ? device->heardFrame() : drivenFrame; }

int64_t AudioEngine::nextMixFrame() const { return device ? device->nextMixFrame() : drivenFrame; }

int64_t AudioEngine::length(ChannelHandle handle) const {
  std::lock_guard lock(mutex);
  const Channel* channel = find(handle);
  return channel ? static_cast<int64_t>(channel->samples.size() / 2) : 0;
}

int64_t AudioEngine::position(ChannelHandle handle) const {
  std::lock_guard lock(mutex);
  const Channel* channel = find(handle);
  if (!channel || !channel->playing) return 0;
  return heardFrame() - channel->startFrame;
}

const std::vector<float>* AudioEngine::samples(ChannelHandle handle) const {
  std::lock_guard lock(mutex);
  const Channel* channel = find(handle);
  return channel ? &channel->samples : nullptr;
}

// The window of kFftSize frames that ends at what is heard now, mixed to mono. A channel's samples
// never change once it exists, so only the play position is read under the lock; the transform
// runs without it, and the device's thread is never held up by it.
bool AudioEngine::spectrum(ChannelHandle handle, float* bins) {
  int64_t end = 0;
  const std::vector<float>* samples = nullptr;
  {
    std::lock_guard lock(mutex);
    const Channel* channel = find(handle);
    if (!channel) return false;
    samples = &channel->samples;
    end = channel->playing ? heardFrame() - channel->startFrame : 0;
  }
  const int64_t frames = static_cast<int64_t>(samples->size() / 2);
  if (end <= 0 || end > frames) {
    std::fill(bins, bins + kFftBins, 0.0f);
    return true;
  }
  const int64_t first = end - kFftSize;  // before the channel's start the window holds silence
  for (int k = 0; k < kFftSize; ++k) {
    const int64_t frame = first + k;
    mono[k] = frame < 0 ? 0.0f : 0.5f * ((*samples)[frame * 2] + (*samples)[frame * 2 + 1]);
  }
  transform.magnitudes(mono.data(), bins);
  return true;
}

// Runs on the device's thread. Each channel adds the part of it that falls inside this buffer
// (from/to clip the channel's start and end to the buffer), and the sum is clamped: two loud
// channels together could leave the range the device converts.
void AudioEngine::mix(float* out, int frames, int64_t first) {
  std::fill(out, out + frames * 2, 0.0f);
  std::lock_guard lock(mutex);
  for (const auto& channel : channels) {
    if (!channel->playing || channel->volume <= 0.0f) continue;
    const int64_t length = static_cast<int64_t>(channel->samples.size() / 2);
    const int64_t offset = first - channel->startFrame;
    const int from = static_cast<int>(std::clamp<int64_t>(-offset, 0, frames));
    const int to = static_cast<int>(std::clamp<int64_t>(length - offset, 0, frames));
    const float* source = channel->samples.data();
    for (int i = from; i < to; ++i) {
      out[i * 2] += source[(offset + i) * 2] * channel->volume;
      out[i * 2 + 1] += source[(offset + i) * 2 + 1] * channel->volume;
    }
  }
  for (int i = 0; i < frames * 2; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}
