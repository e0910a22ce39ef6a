// The music's spectrum as the beat detection sees it: a 2048-point real FFT of the sound being
// heard. Everything that defines its numbers lives in this header; KissFFT computes it on every
// system (fft_kiss.cpp).
#pragma once

#include <memory>

// The spectrum of a channel at play position p (in frames of the engine's output rate):
//   - Input: the 2048 most recent frames the listener has heard, frames p-2048 .. p-1 of the
//     channel, each the mean of its channels ((left + right) / 2). Frames before the start of the
//     channel count as 0. The channel volume is not applied: a muted channel analyses the same.
//   - Window: periodic Hann, w[k] = 0.5 - 0.5 cos(2 pi k / 2048).
//   - Output: |X[j]| * kFftMagnitudeScale for bins j = 0 .. 1023 (the Nyquist bin is dropped), bin
//   j
//     centred on j * rate / 2048 Hz (21.5 Hz at 44 100 Hz).
//   - Scale: a full-scale sine (amplitude 1.0) whose frequency is a bin's centre reads 1.0 in that
//     bin. Hann's coherent gain is 0.5, so the raw peak is 2048 * 0.5 / 2 = 512.
//   - Before the channel plays and once it has ended every bin is 0.
// Only relative values matter to the beat detection; the fixed scale keeps tests and tuning stable.
inline constexpr int kFftSize = 2048;
inline constexpr int kFftBins = kFftSize / 2;
inline constexpr float kFftMagnitudeScale = 1.0f / 512.0f;

// One reusable transform (KissFFT real FFT) with its window and scratch buffers.
class SpectrumTransform {
 public:
  SpectrumTransform();
  ~SpectrumTransform();
  SpectrumTransform(const SpectrumTransform&) = delete;
  SpectrumTransform& operator=(const SpectrumTransform&) = delete;

  // `mono` holds kFftSize samples, oldest first; `bins` receives kFftBins magnitudes.
  void magnitudes(const float* mono, float* bins);

 private:
  struct State;
  std::unique_ptr<State> state;
};
