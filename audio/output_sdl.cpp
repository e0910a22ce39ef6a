// Sound output through SDL2's audio device. SDL calls back on its own thread for the next buffer;
// the frame being heard is estimated from the last callback, one device buffer back, advanced by
// the time since, so the spectrum follows what comes out of the speakers and not what was mixed.
//   [x] default output device, float stereo, SDL converting to what the hardware takes
//   [x] position heard (the last callback less one buffer)   [x] pause and resume
//   [x] Web Audio in the browser (SDL's emscripten driver)   [ ] choice of device (the default)
#include "audio/output_sdl.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <mutex>

#include "audio/audio_device.h"

namespace {

// Frames per device buffer asked of SDL: about 23 ms at 44 100 Hz.
constexpr Uint16 kBufferFrames = 1024;

class SdlAudioDevice : public AudioDevice {
 public:
  SdlAudioDevice(AudioMixer& mixer) : mixer(mixer) {}

  ~SdlAudioDevice() override {
    if (deviceId != 0) SDL_CloseAudioDevice(deviceId);
    if (subsystemUp) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool open(int rate, std::string& error) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      error = std::string("SDL audio could not start: ") + SDL_GetError();
      return false;
    }
    subsystemUp = true;
    outputRate = rate;
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = kBufferFrames;
    wanted.callback = &SdlAudioDevice::callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts our float stereo to whatever the hardware takes.
    deviceId = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (deviceId == 0) {
      error = std::string("the default audio device could not be opened: ") + SDL_GetError();
      return false;
    }
    latencyFrames = obtained.samples;
    return true;
  }

  bool start() override {
    {
      std::lock_guard lock(mutex);
      paused = false;
      resumed = true;
    }
    SDL_PauseAudioDevice(deviceId, 0);
    return true;
  }

  void stop() override {
    SDL_PauseAudioDevice(deviceId, 1);  // returns once no callback runs
    std::lock_guard lock(mutex);
    frozenHeard = heardLocked();
    paused = true;
  }

  int64_t heardFrame() const override {
    std::lock_guard lock(mutex);
    return heardLocked();
  }

  int64_t nextMixFrame() const override {
    std::lock_guard lock(mutex);
    return nextFrame;
  }

 private:
  using Clock = std::chrono::steady_clock;

  static void SDLCALL callback(void* user, Uint8* stream, int bytes) {
    auto* self = static_cast<SdlAudioDevice*>(user);
    const int frames = bytes / static_cast<int>(2 * sizeof(float));
    int64_t first = 0;
    {
      std::lock_guard lock(self->mutex);
      first = self->nextFrame;
      self->nextFrame += frames;
      self->lastCallbackFirst = first;
      self->lastCallbackFrames = frames;
      self->lastCallbackAt = Clock::now();
      self->resumed = false;
      self->called = true;
    }
    self->mixer.mix(reinterpret_cast<float*>(stream), frames, first);
  }

  // When SDL asks for the buffer starting at frame F, the one before it (latencyFrames long) is
  // just starting to play: the listener hears F - latencyFrames, and then one frame per 1/rate s.
  int64_t heardLocked() const {
    if (paused || !called || resumed) return frozenHeard;
    const double seconds = std::chrono::duration<double>(Clock::now() - lastCallbackAt).count();
    const int64_t since = static_cast<int64_t>(seconds * outputRate);
    const int64_t base = lastCallbackFirst - latencyFrames;
    const int64_t heard = base + std::min<int64_t>(since, lastCallbackFrames);
    return std::max(frozenHeard, heard);
  }

  AudioMixer& mixer;
  SDL_AudioDeviceID deviceId = 0;
  bool subsystemUp = false;
  int outputRate = 0;
  int64_t latencyFrames = 0;
  mutable std::mutex mutex;  // guards everything below against the callback thread
  int64_t nextFrame = 0;
  int64_t lastCallbackFirst = 0;
  int64_t lastCallbackFrames = 0;
  Clock::time_point lastCallbackAt;
  bool called = false;
  bool paused = true;
  bool resumed = false;  // started again, no callback since: hold the frozen position
  int64_t frozenHeard = 0;
};

std::unique_ptr<AudioDevice> openSdlAudioDevice(int rate, AudioMixer& mixer, std::string& error) {
  auto device = std::make_unique<SdlAudioDevice>(mixer);
  if (!device->open(rate, error)) return nullptr;
  return device;
}

}  // namespace

void installSdlAudioDevice() { setAudioDeviceFactory(&openSdlAudioDevice); }
