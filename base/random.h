// The show's random generator, a linear congruential one: every run draws the same sequence from
// the same seed, so the scene tables and the scenes' random walks, and with them every frame, are
// reproducible.
#pragma once

#include <cstdint>

struct LcgRandom {
  uint32_t state = 0;

  void seed(uint32_t value) { state = value; }
  // state = state * 214013 + 2531011 (mod 2^32); the draw is (state >> 16) & 0x7FFF, 0 to 32767.
  int32_t next() {
    state = state * 214013u + 2531011u;
    return static_cast<int32_t>((state >> 16) & 0x7FFFu);
  }
  // `base` plus up to (not quite) `most` more: draw / 2^15 * most + base. plusUpTo(4.2, 4.0) lies
  // in [4.2, 8.2). The scaling by powers of two is exact, only the addition rounds.
  float plusUpTo(float base, float most) {
    return static_cast<float>(next()) * (1.0f / 32768.0f) * most + base;
  }
};
