// Beat detection over four bands of the spectrum. The arithmetic (single-precision sums in bin
// order, the reciprocal-times-total average, the comparison widened to double) is kept exactly so
// that beats fall on the same frames on every build.
#include "audio/spectrum.h"

#include "audio/music.h"

SpectrumAnalyzer spectrumAnalyzer;

namespace {
// A band beats when its energy exceeds its recent average by this factor.
constexpr double kBeatFactor = 1.6;
}  // namespace

SpectrumAnalyzer::SpectrumAnalyzer() {
  for (int band = 0; band < bandCount; ++band) {
    bandEnergy[band] = 0.0f;
    beat[band] = 0;
    for (int i = 0; i < historyLength; ++i) history[band][i] = -1.0f;
  }
}

void SpectrumAnalyzer::recentEnergies(int band, float* out) const {
  for (int i = 0; i < historyLength; ++i) out[i] = history[band][(head + i) % historyLength];
}

void SpectrumAnalyzer::updateSpectrum(MusicState& music, uint32_t ms) {
  // On failure the spectrum keeps its previous contents (zeros until data first arrives).
  fetchSpectrum(music, ms);
  analyze(music.spectrum);
}

void SpectrumAnalyzer::analyze(const float* spectrum) {
  for (int band = 0; band < bandCount; ++band) {
    const float* bins = spectrum + band * binsPerBand;
    float sum = 0.0f;
    for (int j = 0; j < binsPerBand; ++j) sum += bins[j];
    const float energy = (1.0f / binsPerBand) * sum;
    bandEnergy[band] = energy;

    float total = 0.0f;
    int count = 0;
    for (int i = 0; i < historyLength; ++i) {
      const float entry = history[band][(head + i) % historyLength];
      if (entry >= 0.0f) {
        total += entry;
        ++count;
      }
    }
    const float average = count >= 1 ? (1.0f / count) * total : 0.0f;
    history[band][head] = energy;  // the oldest entry gives way to this frame's energy
    beat[band] = static_cast<double>(energy) > static_cast<double>(average) * kBeatFactor ? 1 : 0;
  }
  head = (head + 1) % historyLength;
}
