// The audio engine on real files made here: MP3 streams decoded whole (length, rate, spectrum),
// tracker modules through the module path, the silent and driven clocks, and clear failures.
#include "audio/audio_engine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

#include "audio/fft.h"
#include "audio/music.h"
#include "support/mod_writer.h"
#include "support/mp3_writer.h"

namespace {

constexpr int kRate = 44100;

class TempDir {
 public:
  TempDir() {
    path = std::filesystem::temp_directory_path() /
           ("nightloom_audio_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(path);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string file(const char* name) const { return (path / name).string(); }

 private:
  static inline int counter = 0;
  std::filesystem::path path;
};

int peakBin(const float* bins) {
  return static_cast<int>(std::max_element(bins, bins + kFftBins) - bins);
}

// Frequency at the centre of bin `bin` at 44 100 Hz: where the magnitude scale is defined.
double binCentreHz(int bin) { return bin * static_cast<double>(kRate) / kFftSize; }

TEST(SpectrumTransformTest, FullScaleSineAtBinCentreReadsOne) {
  SpectrumTransform transform;
  std::vector<float> mono(kFftSize);
  for (int bin : {10, 46, 300, 1000}) {
    for (int k = 0; k < kFftSize; ++k) {
      mono[k] = static_cast<float>(std::sin(2.0 * std::numbers::pi * bin * k / kFftSize));
    }
    float bins[kFftBins];
    transform.magnitudes(mono.data(), bins);
    EXPECT_NEAR(bins[bin], 1.0f, 1e-4f) << "bin " << bin;
    EXPECT_NEAR(bins[bin - 1], 0.5f, 1e-4f);  // Hann's neighbours
    EXPECT_NEAR(bins[bin + 1], 0.5f, 1e-4f);
    EXPECT_LT(bins[bin + 3], 1e-4f);
  }
}

TEST(AudioStreamTest, SineMp3DecodesToExactLengthAndPeaksAtItsBin) {
  TempDir dir;
  const std::string path = dir.file("sine.mp3");
  ASSERT_TRUE(writeMp3(path, stereoSine(binCentreHz(46), 0.8, kRate, kRate), 2, kRate));
  auto engine = AudioEngine::open(AudioOutput::Driven);
  std::string error;
  const ChannelHandle channel = engine->createStream(path, error);
  ASSERT_NE(channel, 0u) << error;
  EXPECT_EQ(engine->rate(), kRate);
  EXPECT_EQ(engine->length(channel), kRate);  // gapless: exactly the frames encoded

  float bins[kFftBins];
  engine->setDrivenTime(3016);
  engine->start();
  engine->play(channel);
  engine->setDrivenTime(3516);
  ASSERT_TRUE(engine->spectrum(channel, bins));
  EXPECT_EQ(peakBin(bins), 46);
  EXPECT_NEAR(bins[46], 0.8f, 0.02f);
}

TEST(AudioStreamTest, OneKilohertzPeaksAtNearestBin) {
  TempDir dir;
  const std::string path = dir.file("khz.mp3");
  ASSERT_TRUE(writeMp3(path, stereoSine(1000.0, 0.5, kRate, kRate / 2), 2, kRate));
  auto engine = AudioEngine::open(AudioOutput::Driven);
  std::string error;
  const ChannelHandle channel = engine->createStream(path, error);
  ASSERT_NE(channel, 0u) << error;
  engine->play(channel);
  engine->setDrivenTime(300);
  float bins[kFftBins];
  engine->spectrum(channel, bins);
  EXPECT_EQ(peakBin(bins), 46);  // 1000 Hz / 21.53 Hz = 46.4
}

TEST(AudioStreamTest, OtherRatesAreBroughtToTheOutputRate) {
  TempDir dir;
  const std::string path = dir.file("mono48k.mp3");
  const int rate = 48000;
  std::vector<float> mono(rate);
  for (int i = 0; i < rate; ++i)
    mono[i] =
        static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * binCentreHz(100) * i / rate));
  ASSERT_TRUE(writeMp3(path, mono, 1, rate));
  auto engine = AudioEngine::open(AudioOutput::Driven);
  std::string error;
  const ChannelHandle channel = engine->createStream(path, error);
  ASSERT_NE(channel, 0u) << error;
  EXPECT_NEAR(engine->length(channel), kRate, 1);
  engine->play(channel);
  engine->setDrivenTime(500);
  float bins[kFftBins];
  engine->spectrum(channel, bins);
  EXPECT_EQ(peakBin(bins), 100);
  EXPECT_NEAR(bins[100], 0.5f, 0.02f);
}

TEST(AudioStreamTest, SpectrumIsZeroBeforePlaybackAndAfterTheEnd) {
  TempDir dir;
  const std::string path = dir.file("short.mp3");
  ASSERT_TRUE(writeMp3(path, stereoSine(440.0, 0.5, kRate, kRate / 2), 2, kRate));
  auto engine = AudioEngine::open(AudioOutput::Driven);
  std::string error;
  const ChannelHandle channel = engine->createStream(path, error);
  ASSERT_NE(channel, 0u) << error;
  float bins[kFftBins];
  auto allZero = [&] {
    return std::all_of(bins, bins + kFftBins, [](float b) { return b == 0.0f; });
  };
  std::fill(bins, bins + kFftBins, 7.0f);
  engine->setDrivenTime(1000);
  engine->spectrum(channel, bins);
  EXPECT_TRUE(allZero()) << "before play";
  engine->start();
  engine->play(channel);
  engine->spectrum(channel, bins);
  EXPECT_TRUE(allZero()) << "nothing heard yet";
  engine->setDrivenTime(1010);
  engine->spectrum(channel, bins);
  EXPECT_FALSE(allZero()) << "first 10 ms heard";
  engine->setDrivenTime(1500);
  engine->spectrum(channel, bins);
  EXPECT_FALSE(allZero()) << "last frame heard";
  engine->setDrivenTime(1501);
  engine->spectrum(channel, bins);
  EXPECT_TRUE(allZero()) << "after the end";
}

TEST(AudioStreamTest, MutedChannelAnalysesTheSame) {
  TempDir dir;
  const std::string path = dir.file("tone.mp3");
  ASSERT_TRUE(writeMp3(path, stereoSine(660.0, 0.5, kRate, kRate), 2, kRate));
  auto engine = AudioEngine::open(AudioOutput::Driven);
  std::string error;
  const ChannelHandle loud = engine->createStream(path, error);
  const ChannelHandle muted = engine->createStream(path, error);
  ASSERT_NE(muted, 0u) << error;
  EXPECT_TRUE(engine->setVolume(muted, 0.0f));
  engine->start();
  engine->play(loud);
  engine->play(muted);
  engine->setDrivenTime(400);
  float a[kFftBins], b[kFftBins];
  engine->spectrum(loud, a);
  engine->spectrum(muted, b);
  EXPECT_TRUE(std::equal(a, a + kFftBins, b));
  EXPECT_GT(*std::max_element(b, b + kFftBins), 0.4f);
  // The mix leaves the muted channel out.
  std::vector<float> mixed(512 * 2);
  engine->setVolume(loud, 0.0f);
  engine->mix(mixed.data(), 512, 1000);
  EXPECT_TRUE(std::all_of(mixed.begin(), mixed.end(), [](float s) { return s == 0.0f; }));
}

TEST(MusicFileTest, MissingFileFailsNamingIt) {
  TempDir dir;
  MusicState music;
  music.output = AudioOutput::Silent;
  const std::string path = dir.file("music.mp3");
  EXPECT_FALSE(openMusicFile(music, path));
  EXPECT_EQ(music.error, "The music file \"" + path + "\" does not exist.");
  EXPECT_EQ(music.live(), 0u);
}

TEST(MusicFileTest, FilesThatAreNotAudioFailNamingThem) {
  TempDir dir;
  const std::string text = dir.file("music.mp3");
  std::ofstream(text) << "This is a shopping list, not a song.\nmilk\neggs\n";
  const std::string empty = dir.file("empty.mp3");
  std::ofstream{empty};
  const std::string module = dir.file("music.xm");
  std::ofstream(module) << "not a module either";
  MusicState music;
  music.output = AudioOutput::Silent;
  EXPECT_FALSE(openMusicFile(music, text));
  EXPECT_EQ(music.error, "The music file \"" + text + "\" is not MPEG audio that can be decoded.");
  EXPECT_FALSE(openMusicFile(music, empty));
  EXPECT_NE(music.error.find(empty), std::string::npos);
  EXPECT_FALSE(openMusicFile(music, module));
  EXPECT_EQ(music.error,
            "The music file \"" + module + "\" is not a tracker module that can be played.");
  EXPECT_FALSE(openMusicFile(music, dir.file("")));
  EXPECT_NE(music.error.find("directory"), std::string::npos);
  EXPECT_EQ(music.live(), 0u);
}

TEST(MusicFileTest, NameWithoutMp3TakesTheModulePath) {
  TempDir dir;
  const std::string path = dir.file("tune.mod");
  ASSERT_TRUE(writeToneModule(path));
  MusicState music;
  music.output = AudioOutput::Driven;
  ASSERT_TRUE(openMusicFile(music, path)) << music.error;
  EXPECT_EQ(music.isModule, 1);
  EXPECT_NE(music.moduleHandle, 0u);
  EXPECT_EQ(music.streamHandle, 0u);
  EXPECT_NEAR(music.engine->length(music.live()) / double(kRate), kToneModuleSeconds, 0.15);

  uint8_t started = 0;
  EXPECT_FALSE(startMusicIfDue(music, started, true, 3000));
  EXPECT_TRUE(startMusicIfDue(music, started, true, 3001));
  EXPECT_EQ(started, 1);
  ASSERT_TRUE(fetchSpectrum(music, 4001));
  const int expected = static_cast<int>(std::lround(kToneModuleHz / (double(kRate) / kFftSize)));
  EXPECT_NEAR(peakBin(music.spectrum), expected, 1);
  EXPECT_GT(music.spectrum[peakBin(music.spectrum)], 0.05f);
}

TEST(MusicFileTest, Mp3InTheNameTakesTheStreamPath) {
  TempDir dir;
  const std::string path = dir.file("Song.Mp3");
  ASSERT_TRUE(writeMp3(path, stereoSine(440.0, 0.5, kRate, kRate / 4), 2, kRate));
  MusicState music;
  music.output = AudioOutput::Driven;
  ASSERT_TRUE(openMusicFile(music, path)) << music.error;
  EXPECT_EQ(music.isModule, 0);
  EXPECT_NE(music.streamHandle, 0u);
}

TEST(MusicPlaybackTest, MusicBoxOffPlaysMutedAndStillAnalyses) {
  TempDir dir;
  const std::string path = dir.file("music.mp3");
  ASSERT_TRUE(writeMp3(path, stereoSine(binCentreHz(46), 0.5, kRate, kRate), 2, kRate));
  MusicState music;
  music.output = AudioOutput::Driven;
  ASSERT_TRUE(openMusicFile(music, path)) << music.error;
  uint8_t started = 0;
  ASSERT_TRUE(fetchSpectrum(music, 2000));
  EXPECT_EQ(music.spectrum[46], 0.0f);
  EXPECT_TRUE(startMusicIfDue(music, started, false, 3017));
  EXPECT_FALSE(startMusicIfDue(music, started, false, 3034));
  ASSERT_TRUE(fetchSpectrum(music, 3517));
  EXPECT_NEAR(music.spectrum[46], 0.5f, 0.02f);
  std::vector<float> mixed(256 * 2, 1.0f);
  music.engine->mix(mixed.data(), 256, static_cast<int64_t>(3100) * kRate / 1000);
  EXPECT_TRUE(std::all_of(mixed.begin(), mixed.end(), [](float s) { return s == 0.0f; }));
  stopMusic(music, started);
  EXPECT_EQ(started, 0);
}

TEST(SilentOutputTest, PositionFollowsTheClock) {
  TempDir dir;
  const std::string path = dir.file("music.mp3");
  ASSERT_TRUE(writeMp3(path, stereoSine(binCentreHz(46), 0.5, kRate, kRate * 2), 2, kRate));
  // No device factory is registered in the tests: Device falls back to the silent clock.
  testing::internal::CaptureStderr();
  auto engine = AudioEngine::open(AudioOutput::Device);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(engine->output(), AudioOutput::Silent);
  EXPECT_NE(said.find("plays silently"), std::string::npos);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);

  std::string error;
  const ChannelHandle channel = engine->createStream(path, error);
  ASSERT_NE(channel, 0u) << error;
  engine->start();
  const auto began = std::chrono::steady_clock::now();
  engine->play(channel);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const int64_t heard = engine->position(channel);
  // The clock's time, however long this thread was kept from running.
  const std::chrono::duration<double> gone = std::chrono::steady_clock::now() - began;
  EXPECT_GE(heard, kRate / 5);
  EXPECT_LE(heard, static_cast<int64_t>((gone.count() + 0.01) * kRate));
  float bins[kFftBins];
  engine->spectrum(channel, bins);
  EXPECT_EQ(peakBin(bins), 46);
  engine->stop();
  const int64_t frozen = engine->position(channel);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(engine->position(channel), frozen);
}

}  // namespace
