// The SDL2 sound output, run on SDL's disk driver: what the device plays is written to a file and
// compared with the decoded music, frame for frame; a driver that cannot open falls back to the
// silent clock with one line of ours and none of the sound library's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

#include "audio/audio_engine.h"
#include "audio/library_messages.h"
#include "audio/output_sdl.h"
#include "support/mp3_writer.h"

namespace {

constexpr int kRate = 44100;

class SdlOutputTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("nightloom_sdl_audio_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    installSdlAudioDevice();
  }
  void TearDown() override {
    setAudioDeviceFactory(nullptr);
    std::filesystem::remove_all(dir);
  }
  std::filesystem::path dir;
};

// Polls until the channel has been heard up to `frame` (or 20 s pass, on however busy a machine);
// the position then.
int64_t waitUntilHeard(const AudioEngine& engine, ChannelHandle channel, int64_t frame) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (engine.position(channel) < frame && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return engine.position(channel);
}

TEST_F(SdlOutputTest, DiskDriverReceivesTheDecodedFrames) {
  const std::string raw = (dir / "out.raw").string();
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  const std::string mp3 = (dir / "music.mp3").string();
  const double hz = 46.0 * kRate / 2048.0;
  ASSERT_TRUE(writeMp3(mp3, stereoSine(hz, 0.5, kRate, 2 * kRate), 2, kRate));

  std::vector<float> decoded;
  {
    auto engine = AudioEngine::open(AudioOutput::Device);
    ASSERT_EQ(engine->output(), AudioOutput::Device);
    std::string error;
    const ChannelHandle channel = engine->createStream(mp3, error);
    ASSERT_NE(channel, 0u) << error;
    decoded = *engine->samples(channel);
    engine->start();
    const auto began = std::chrono::steady_clock::now();
    engine->play(channel);
    // The device plays at real-time pace: never more than the time gone by (and its first buffer)
    // allows, however late this thread looks.
    const int64_t heard = waitUntilHeard(*engine, channel, kRate / 10);
    const std::chrono::duration<double> gone = std::chrono::steady_clock::now() - began;
    EXPECT_GE(heard, kRate / 10);
    EXPECT_LE(heard, static_cast<int64_t>((gone.count() + 0.25) * kRate));
    float bins[kFftBins];
    engine->spectrum(channel, bins);
    EXPECT_EQ(std::max_element(bins, bins + kFftBins) - bins, 46);
    EXPECT_GE(waitUntilHeard(*engine, channel, engine->length(channel)), engine->length(channel));
    engine->stop();
  }  // closing the device flushes the file

  std::ifstream file(raw, std::ios::binary);
  std::vector<float> played((std::filesystem::file_size(raw)) / sizeof(float));
  file.read(reinterpret_cast<char*>(played.data()), played.size() * sizeof(float));
  const auto first = std::find_if(played.begin(), played.end(), [](float s) { return s != 0.0f; });
  ASSERT_NE(first, played.end());
  const size_t start = (first - played.begin()) & ~size_t{1};
  ASSERT_GE(played.size() - start, decoded.size());
  float worst = 0.0f;
  for (size_t i = 0; i < decoded.size(); ++i) {
    worst = std::max(worst, std::fabs(played[start + i] - decoded[i]));
  }
  EXPECT_LT(worst, 1e-6f);
  const bool silentAfter = std::all_of(played.begin() + start + decoded.size(), played.end(),
                                       [](float s) { return s == 0.0f; });
  EXPECT_TRUE(silentAfter);
}

TEST_F(SdlOutputTest, NoUsableDeviceFallsBackToTheSilentClock) {
  setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
  testing::internal::CaptureStderr();
  auto engine = AudioEngine::open(AudioOutput::Device);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(engine->output(), AudioOutput::Silent);
  EXPECT_EQ(said.rfind("nightloom: no sound device (", 0), 0u) << said;
  EXPECT_NE(said.find("plays silently"), std::string::npos);
}

// Without a sound card SDL's ALSA output fails, and ALSA would print its own lines first; only the
// show's one line may reach the terminal. On a machine with a sound card there is nothing to see.
TEST_F(SdlOutputTest, WithoutASoundCardOnlyTheShowsLineIsPrinted) {
  setenv("SDL_AUDIODRIVER", "alsa", 1);
  silenceSoundLibraryMessages();
  testing::internal::CaptureStderr();
  auto engine = AudioEngine::open(AudioOutput::Device);
  const std::string said = testing::internal::GetCapturedStderr();
  if (engine->output() != AudioOutput::Silent) GTEST_SKIP() << "this machine has a sound device";
  EXPECT_EQ(said.rfind("nightloom: no sound device (", 0), 0u) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

}  // namespace
