// The output used when there is no sound card (and by the tests): nothing is mixed or played, but
// the play position advances with the monotonic clock, so the spectrum follows the music as if it
// were heard.
//   [x] play position on the monotonic clock   [x] pause and resume   [ ] sound (none is made)
#include <chrono>

#include "audio/audio_device.h"

namespace {

class SilentDevice : public AudioDevice {
 public:
  explicit SilentDevice(int rate) : rate(rate) {}

  bool start() override {
    if (!running) {
      startedAt = Clock::now();
      running = true;
    }
    return true;
  }

  void stop() override {
    frozen = heardFrame();
    running = false;
  }

  int64_t heardFrame() const override {
    if (!running) return frozen;
    const auto elapsed = Clock::now() - startedAt;
    const int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
    // Split to keep ns * rate inside 64 bits for runs of any length.
    const int64_t seconds = ns / 1000000000;
    const int64_t rest = ns % 1000000000;
    return frozen + seconds * rate + rest * rate / 1000000000;
  }

  int64_t nextMixFrame() const override { return heardFrame(); }

 private:
  using Clock = std::chrono::steady_clock;
  const int rate;
  bool running = false;
  Clock::time_point startedAt;
  int64_t frozen = 0;  // frames counted before the latest start
};

}  // namespace

std::unique_ptr<AudioDevice> createSilentDevice(int rate) {
  return std::make_unique<SilentDevice>(rate);
}
