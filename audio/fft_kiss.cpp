// The spectrum transform on KissFFT's real FFT: window, transform, scaled magnitudes (see fft.h
// for the definition).
//   [x] 2048-point real transform, periodic Hann window, fixed magnitude scale (fft.h)
#include <kiss_fftr.h>

#include <cmath>
#include <numbers>

#include "audio/fft.h"

struct SpectrumTransform::State {
  kiss_fftr_cfg config = nullptr;
  float window[kFftSize];
  float windowed[kFftSize];
  kiss_fft_cpx frequencies[kFftBins + 1];
};

SpectrumTransform::SpectrumTransform() : state(std::make_unique<State>()) {
  state->config = kiss_fftr_alloc(kFftSize, 0, nullptr, nullptr);
  for (int k = 0; k < kFftSize; ++k) {
    const double phase = 2.0 * std::numbers::pi * k / kFftSize;
    state->window[k] = static_cast<float>(0.5 - 0.5 * std::cos(phase));
  }
}

SpectrumTransform::~SpectrumTransform() { kiss_fftr_free(state->config); }

void SpectrumTransform::magnitudes(const float* mono, float* bins) {
  for (int k = 0; k < kFftSize; ++k) state->windowed[k] = mono[k] * state->window[k];
  kiss_fftr(state->config, state->windowed, state->frequencies);
  for (int j = 0; j < kFftBins; ++j) {
    const kiss_fft_cpx& c = state->frequencies[j];
    bins[j] = std::sqrt(c.r * c.r + c.i * c.i) * kFftMagnitudeScale;
  }
}
