// Beat detection: the analyzer's first frames, its exact threshold and fixed history, and a 120 BPM
// kick pattern played through the engine's driven clock at 60 frames per second.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <vector>

#include "audio/audio_engine.h"
#include "audio/music.h"
#include "audio/spectrum.h"
#include "support/mp3_writer.h"

namespace {

constexpr int kRate = 44100;

std::vector<float> flatSpectrum(float band0, float band1 = 0.0f, float band2 = 0.0f,
                                float band3 = 0.0f) {
  std::vector<float> bins(1024);
  const float values[4] = {band0, band1, band2, band3};
  for (int i = 0; i < 1024; ++i) bins[i] = values[i / 256];
  return bins;
}

TEST(SpectrumAnalyzerTest, FirstFrameBeatsOnAnyEnergyButNotOnSilence) {
  SpectrumAnalyzer analyzer;
  analyzer.analyze(flatSpectrum(1e-6f, 0.0f, 0.25f, 0.0f).data());
  EXPECT_EQ(analyzer.beat[0], 1);
  EXPECT_EQ(analyzer.beat[1], 0);
  EXPECT_EQ(analyzer.beat[2], 1);
  EXPECT_EQ(analyzer.beat[3], 0);
  EXPECT_FLOAT_EQ(analyzer.bandEnergy[2], 0.25f);
}

TEST(SpectrumAnalyzerTest, AverageCoversOnlyTheFramesSeen) {
  SpectrumAnalyzer analyzer;
  analyzer.analyze(flatSpectrum(1.0f).data());
  analyzer.analyze(flatSpectrum(3.0f).data());  // average 1.0: beat
  EXPECT_EQ(analyzer.beat[0], 1);
  analyzer.analyze(flatSpectrum(3.1f).data());  // average 2.0, threshold 3.2: not a beat
  EXPECT_EQ(analyzer.beat[0], 0);
  analyzer.analyze(flatSpectrum(0.0f).data());
  EXPECT_EQ(analyzer.beat[0], 0);
}

TEST(SpectrumAnalyzerTest, ExactlyOnePointSixTimesTheAverageIsNoBeat) {
  SpectrumAnalyzer analyzer;
  analyzer.analyze(flatSpectrum(5.0f, 5.0f).data());
  analyzer.analyze(flatSpectrum(8.0f, std::nextafter(8.0f, 9.0f)).data());
  EXPECT_EQ(analyzer.beat[0], 0);
  EXPECT_EQ(analyzer.beat[1], 1);
}

TEST(SpectrumAnalyzerTest, HistoryHoldsTheLast43Energies) {
  SpectrumAnalyzer analyzer;
  for (int frame = 0; frame < 100; ++frame) {
    analyzer.analyze(flatSpectrum(static_cast<float>(frame)).data());
  }
  float recent[SpectrumAnalyzer::historyLength];
  analyzer.recentEnergies(0, recent);
  for (int i = 0; i < SpectrumAnalyzer::historyLength; ++i) EXPECT_EQ(recent[i], 57.0f + i);
  // A frame of 1.6 x the mean of 57..99 (78) plus a little beats; the history moves on by one.
  analyzer.analyze(flatSpectrum(78.0f * 1.6f + 0.01f).data());
  EXPECT_EQ(analyzer.beat[0], 1);
  analyzer.recentEnergies(0, recent);
  EXPECT_EQ(recent[0], 58.0f);
}

TEST(SpectrumAnalyzerTest, ClearedFlagsAreRecomputedNextFrame) {
  SpectrumAnalyzer analyzer;
  analyzer.analyze(flatSpectrum(1.0f, 1.0f).data());
  analyzer.beat[0] = analyzer.beat[1] = 0;  // a scene took the beat
  analyzer.analyze(flatSpectrum(4.0f, 4.0f).data());
  EXPECT_EQ(analyzer.beat[0], 1);
  EXPECT_EQ(analyzer.beat[1], 1);
}

// Kicks every 500 ms from 250 ms on: a 55 Hz tone decaying over about 100 ms, silence between.
std::vector<float> kickPattern(int seconds) {
  std::vector<float> samples(static_cast<size_t>(seconds) * kRate * 2, 0.0f);
  for (int kick = 0; kick < seconds * 2; ++kick) {
    const int start = kRate / 4 + kick * kRate / 2;
    for (int i = 0; i < kRate / 8; ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double value = 0.9 * std::exp(-t / 0.03) * std::sin(2 * std::numbers::pi * 55.0 * t);
      samples[(start + i) * 2] = samples[(start + i) * 2 + 1] = static_cast<float>(value);
    }
  }
  return samples;
}

TEST(BeatDetectionTest, KicksAt120BpmBeatInBandZeroOnlyOnTheKicks) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("nightloom_kicks_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "music.mp3").string();
  ASSERT_TRUE(writeMp3(path, kickPattern(4), 2, kRate));

  MusicState music;
  music.output = AudioOutput::Driven;
  ASSERT_TRUE(openMusicFile(music, path)) << music.error;
  SpectrumAnalyzer analyzer;
  uint8_t started = 0;
  uint32_t startMs = 0;
  std::vector<int> kicksHit(8, 0);
  int beatsBetween = 0;
  for (int frame = 0; frame < 60 * 8; ++frame) {
    const uint32_t ms = static_cast<uint32_t>(frame * 1000 / 60);
    if (startMusicIfDue(music, started, true, ms)) startMs = ms;
    analyzer.updateSpectrum(music, ms);
    if (!analyzer.beat[0]) continue;
    ASSERT_NE(startMs, 0u) << "beat before the music at " << ms;
    const int heard = static_cast<int>(ms - startMs);
    const int kick = (heard - 250 + 100) / 500;  // nearest kick at or before
    const int sinceKick = heard - 250 - kick * 500;
    if (kick >= 0 && kick < 8 && sinceKick >= -30 && sinceKick <= 120) {
      ++kicksHit[kick];
    } else {
      ++beatsBetween;
      ADD_FAILURE() << "beat between kicks at " << heard << " ms of music";
    }
  }
  for (int kick = 0; kick < 8; ++kick) EXPECT_GE(kicksHit[kick], 1) << "kick " << kick;
  EXPECT_EQ(beatsBetween, 0);
  std::filesystem::remove_all(dir);
}

}  // namespace
