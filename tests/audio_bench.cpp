// Audio figures: the time to open and decode a 75-second MP3 (what start-up waits for) and the cost
// of one frame's spectrum plus beat analysis (what every frame pays).
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <random>
#include <vector>

#include "audio/audio_engine.h"
#include "audio/music.h"
#include "audio/spectrum.h"
#include "support/mod_writer.h"
#include "support/mp3_writer.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 75;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Something like music: a bass line, a chord, kicks on the beat and a little noise.
std::vector<float> musicLike() {
  std::vector<float> samples(static_cast<size_t>(kSeconds) * kRate * 2);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
  const double tau = 2 * std::numbers::pi;
  for (int i = 0; i < kSeconds * kRate; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double beat = std::fmod(t, 0.5);
    double value = 0.2 * std::sin(tau * 55.0 * t) + 0.1 * std::sin(tau * 440.0 * t) +
                   0.1 * std::sin(tau * 554.4 * t) +
                   0.4 * std::exp(-beat / 0.04) * std::sin(tau * 60.0 * beat);
    value += noise(random);
    samples[i * 2] = static_cast<float>(value);
    samples[i * 2 + 1] = static_cast<float>(value * 0.9);
  }
  return samples;
}

}  // namespace

int main() {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("nightloom_audio_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "music.mp3").string();
  if (!writeMp3(path, musicLike(), 2, kRate, 192)) {
    std::fprintf(stderr, "audio_bench: could not write %s\n", path.c_str());
    return 1;
  }
  std::printf("75 s stereo MP3, 192 kbps: %.1f MiB\n",
              std::filesystem::file_size(path) / (1024.0 * 1024.0));

  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    MusicState music;
    music.output = AudioOutput::Driven;
    const auto start = Clock::now();
    if (!openMusicFile(music, path)) {
      std::fprintf(stderr, "audio_bench: %s\n", music.error.c_str());
      return 1;
    }
    const double ms = millisecondsSince(start);
    best = std::min(best, ms);
    std::printf("open + decode: %.1f ms (run %d)\n", ms, run + 1);
  }
  std::printf("open + decode, best of 3: %.1f ms\n", best);

  {
    const std::string modulePath = (dir / "tune.mod").string();
    writeToneModule(modulePath);
    MusicState module;
    module.output = AudioOutput::Driven;
    const auto start = Clock::now();
    openMusicFile(module, modulePath);
    std::printf("open + render a %.2f s MOD: %.1f ms\n", kToneModuleSeconds,
                millisecondsSince(start));
  }

  MusicState music;
  music.output = AudioOutput::Driven;
  openMusicFile(music, path);
  uint8_t started = 0;
  startMusicIfDue(music, started, true, 3001);
  SpectrumAnalyzer analyzer;
  const int frames = 60 * 76;
  int beats = 0;
  const auto start = Clock::now();
  for (int frame = 0; frame < frames; ++frame) {
    analyzer.updateSpectrum(music, static_cast<uint32_t>(3001 + frame * 1000 / 60));
    beats += analyzer.beat[0];
  }
  const double total = millisecondsSince(start);
  std::printf("spectrum + analysis: %.1f us per frame (%d frames, %d band-0 beats)\n",
              1000.0 * total / frames, frames, beats);
  std::filesystem::remove_all(dir);
  return 0;
}
