// Beat detection: every frame the spectrum of the music being heard is cut into four bands, and a
// band beats when its energy is well above its average over the 43 frames before.
#pragma once

#include <cstdint>

struct MusicState;

class SpectrumAnalyzer {
 public:
  static constexpr int historyLength = 43;
  static constexpr int bandCount = 4;
  static constexpr int binsPerBand = 256;

  SpectrumAnalyzer();
  // Takes this frame's spectrum from the music and updates energies and beat flags.
  void updateSpectrum(MusicState& music, uint32_t ms);
  // The same from a spectrum the caller already holds (1024 bins).
  void analyze(const float* spectrum);

  // The band's last 43 energies, oldest first (-1 for frames not yet seen).
  void recentEnergies(int band, float* out) const;

  float bandEnergy[bandCount] = {};
  int32_t beat[bandCount] = {};  // scenes may clear beat[0] and beat[1] after reading them

 private:
  // A fixed ring of the last 43 energies per band; -1 marks a frame without data yet.
  float history[bandCount][historyLength];
  int head = 0;  // index of the oldest entry
};

extern SpectrumAnalyzer spectrumAnalyzer;
