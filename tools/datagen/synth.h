// The soundtrack's instruments and effects: drums, bass, pads, lead, plucks, a ping-pong delay and
// a small reverb. Everything is plain arithmetic on float buffers with its own noise generator, so
// the same score renders the same samples on every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct StereoBus {
  std::vector<float> left, right;
  explicit StereoBus(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
  size_t frames() const { return left.size(); }
  void mixInto(StereoBus& target, float gain) const;
};

// xorshift32 white noise in -1..1.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state(seed ? seed : 0x9E3779B9U) {}
  float next();

 private:
  uint32_t state;
};

double midiHz(double note);

// Drums. `t` in seconds of music time.
void kick(StereoBus& bus, double t, float gain);
void subPulse(StereoBus& bus, double t, float gain);  // long, low boom for the calm intro
void snare(StereoBus& bus, double t, float gain, uint32_t seed);
void clap(StereoBus& bus, double t, float gain, uint32_t seed);
void hat(StereoBus& bus, double t, float gain, double decay, float pan, uint32_t seed);
void crash(StereoBus& bus, double t, float gain, uint32_t seed);
void riser(StereoBus& bus, double t, double length, float gain, uint32_t seed);

// Pitched voices. Notes are MIDI numbers.
void bassNote(StereoBus& bus, double t, double length, double note, float gain, float cutoff);
void subNote(StereoBus& bus, double t, double length, double note, float gain);
void padChord(StereoBus& bus, double t, double length, const std::vector<double>& notes, float gain,
              float cutoff);
void leadNote(StereoBus& bus, double t, double length, double note, float gain);
void pluck(StereoBus& bus, double t, double note, float gain, float brightness, float pan);
void bell(StereoBus& bus, double t, double note, float gain, float pan);

// Effects, `in` to `out` (wet only, added).
void pingPongDelay(const StereoBus& in, StereoBus& out, double seconds, float feedback, float wet);
void reverb(const StereoBus& in, StereoBus& out, float roomSize, float damping, float wet);
