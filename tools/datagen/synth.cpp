// Instruments and effects of the soundtrack. Voices are rendered note by note into buses; filters
// are Zavalishin's state-variable form (stable under fast cutoff sweeps), oscillators use polyBLEP
// saws so the bright parts do not alias.
#include "tools/datagen/synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "tools/datagen/music.h"

namespace {

constexpr double kRate = kMusicRate;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The state-variable filter with trapezoidal integrators: low, band and high pass from one run.
// g is the prewarped cutoff (tan), so the cutoff lands where asked up to near Nyquist; the clamp
// keeps tan away from its pole there.
struct Svf {
  double g = 0, k = 1, a1 = 0, a2 = 0, a3 = 0, ic1 = 0, ic2 = 0;
  double low = 0, band = 0, high = 0;
  void set(double hz, double q) {
    hz = std::clamp(hz, 10.0, kRate * 0.45);
    g = std::tan(std::numbers::pi * hz / kRate);
    k = 1.0 / q;
    a1 = 1.0 / (1.0 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
  }
  void run(double x) {
    const double v3 = x - ic2;
    const double v1 = a1 * ic1 + a2 * v3;
    const double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2 * v1 - ic1;
    ic2 = 2 * v2 - ic2;
    low = v2;
    band = v1;
    high = x - k * v1 - v2;
  }
};

// The polynomial correction for a saw's jump, nonzero only within one sample of it: subtracting it
// rounds the step off just enough that its harmonics above Nyquist mostly vanish.
double polyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

// Band-limited saw with its own phase (0..1).
struct Saw {
  double phase = 0;
  double next(double hz) {
    const double dt = hz / kRate;
    const double value = 2.0 * phase - 1.0 - polyBlep(phase, dt);
    phase += dt;
    if (phase >= 1.0) phase -= 1.0;
    return value;
  }
};

// Calls `voice(seconds since start)` for every frame of [t, t + length), which returns the left
// and right sample; a short fade at the end keeps cut tails from clicking.
template <typename Voice>
void render(StereoBus& bus, double t, double length, Voice voice) {
  const long start = std::lround(t * kRate);
  const long count = std::lround(length * kRate);
  const long fade = std::min<long>(count, long(0.01 * kRate));
  for (long n = 0; n < count; ++n) {
    const long index = start + n;
    if (index >= long(bus.frames())) break;
    const std::array<double, 2> s = voice(double(n) / kRate);
    if (index < 0) continue;
    const double tail = n > count - fade ? double(count - n) / double(fade) : 1.0;
    bus.left[size_t(index)] += float(s[0] * tail);
    bus.right[size_t(index)] += float(s[1] * tail);
  }
}

// A noise seed per hit, from its time (Knuth's multiplicative hash) and the instrument's salt:
// every hit sounds a little different, and every run of the generator gives the same bytes.
uint32_t seedAt(double t, uint32_t salt) {
  return uint32_t(std::lround(t * 1000.0)) * 2654435761U ^ salt;
}

double attack(double tt, double seconds) { return tt < seconds ? tt / seconds : 1.0; }

// Constant-power panning, -1 left .. 1 right; the gains are worked out once per voice. The sqrt 2
// makes the centre unity gain on both sides.
struct Pan {
  double left, right;
  explicit Pan(double position) {
    const double angle = (position + 1.0) * 0.25 * std::numbers::pi;
    left = std::cos(angle) * std::numbers::sqrt2;
    right = std::sin(angle) * std::numbers::sqrt2;
  }
  std::array<double, 2> operator()(double value) const { return {value * left, value * right}; }
};

}  // namespace

void StereoBus::mixInto(StereoBus& target, float gain) const {
  for (size_t i = 0; i < frames() && i < target.frames(); ++i) {
    target.left[i] += left[i] * gain;
    target.right[i] += right[i] * gain;
  }
}

// Marsaglia's xorshift32: cheap, and the same sequence on every machine.
float Noise::next() {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return float(state) / 2147483648.0f - 1.0f;
}

double midiHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

void kick(StereoBus& bus, double t, float gain) {
  // A driven, nearly square body and a short mid-range knock: the knock spreads the kick across
  // the lower spectrum, where beat detection looks, instead of leaving it all below 150 Hz.
  double phase = 0;
  Noise noise(seedAt(t, 1));
  Svf knock;
  knock.set(2600.0, 0.7);
  render(bus, t, 0.5, [&](double tt) {
    const double hz = 47.0 + 115.0 * std::exp(-tt / 0.03) + 80.0 * std::exp(-tt / 0.005);
    phase += kTwoPi * hz / kRate;
    const double body = std::tanh(3.5 * std::sin(phase)) * attack(tt, 0.001) * std::exp(-tt / 0.17);
    knock.run(noise.next());
    const double y = gain * (0.8 * body + 1.3 * knock.band * std::exp(-tt / 0.014));
    return std::array<double, 2>{y, y};
  });
}

void subPulse(StereoBus& bus, double t, float gain) {
  double phase = 0;
  Svf tone;
  tone.set(420.0, 0.7);
  render(bus, t, 1.0, [&](double tt) {
    const double hz = 42.0 + 50.0 * std::exp(-tt / 0.05);
    phase += kTwoPi * hz / kRate;
    tone.run(std::tanh(4.0 * std::sin(phase)));
    const double y = gain * tone.low * attack(tt, 0.003) * std::exp(-tt / 0.13);
    return std::array<double, 2>{y, y};
  });
}

void snare(StereoBus& bus, double t, float gain, uint32_t seed) {
  double phase = 0;
  Noise noise(seedAt(t, seed));
  Svf band;
  band.set(2400.0, 0.6);
  render(bus, t, 0.4, [&](double tt) {
    phase += kTwoPi * (180.0 + 60.0 * std::exp(-tt / 0.01)) / kRate;
    band.run(noise.next());
    const double tone = std::sin(phase) * std::exp(-tt / 0.06);
    const double rattle = (band.band * 1.6 + band.high * 0.5) * std::exp(-tt / 0.13);
    const double y = gain * (0.55 * tone + 0.7 * rattle) * attack(tt, 0.0008);
    return std::array<double, 2>{y, y};
  });
}

void clap(StereoBus& bus, double t, float gain, uint32_t seed) {
  Noise noise(seedAt(t, seed));
  Svf band;
  band.set(1400.0, 1.1);
  const Pan place(0.05);
  render(bus, t, 0.45, [&](double tt) {
    band.run(noise.next());
    double env = std::exp(-tt / 0.14) * 0.8;
    for (double burst : {0.0, 0.011, 0.023}) {
      if (tt >= burst) env += std::exp(-(tt - burst) / 0.006);
    }
    const double y = gain * band.band * 1.8 * env;
    return place(y);
  });
}

void hat(StereoBus& bus, double t, float gain, double decay, float position, uint32_t seed) {
  Noise noise(seedAt(t, seed));
  Svf high;
  high.set(9000.0, 0.8);
  const Pan place(position);
  render(bus, t, decay * 6.0, [&](double tt) {
    high.run(noise.next());
    return place(gain * high.high * std::exp(-tt / decay) * attack(tt, 0.0005));
  });
}

void crash(StereoBus& bus, double t, float gain, uint32_t seed) {
  Noise left(seedAt(t, seed)), right(seedAt(t, seed + 77));
  Svf highL, highR;
  highL.set(6000.0, 0.8);
  highR.set(6500.0, 0.8);
  render(bus, t, 2.2, [&](double tt) {
    highL.run(left.next());
    highR.run(right.next());
    const double env = gain * std::exp(-tt / 0.55) * attack(tt, 0.002);
    return std::array<double, 2>{highL.high * env, highR.high * env};
  });
}

void riser(StereoBus& bus, double t, double length, float gain, uint32_t seed) {
  // Swells linearly and stays below 4 kHz: a steep ramp, or one sweeping into the highs, would read
  // as a beat on every frame of its rise.
  Noise noise(seedAt(t, seed));
  Svf band;
  long n = 0;
  render(bus, t, length, [&](double tt) {
    const double x = tt / length;
    // The sweep is exponential (equal steps in pitch) and its coefficients are worked out every
    // 32 samples only: tan() per sample would cost more than the rest of the voice.
    if ((n++ & 31) == 0) band.set(250.0 * std::pow(14.0, x), 1.6);
    band.run(noise.next());
    return Pan(0.5 * std::sin(kTwoPi * x * 2.0))(gain * band.band * x);
  });
}

void bassNote(StereoBus& bus, double t, double length, double note, float gain, float cutoff) {
  Saw a, b;
  double subPhase = 0;
  Svf filter;
  const double hz = midiHz(note);
  render(bus, t, length, [&](double tt) {
    filter.set(cutoff * (1.0 + 3.5 * std::exp(-tt / 0.07)), 2.2);
    const double raw = 0.5 * (a.next(hz) + b.next(hz * 1.006));
    filter.run(raw);
    subPhase += kTwoPi * hz * 0.5 / kRate;
    const double y = gain * (0.8 * filter.low + 0.45 * std::sin(subPhase)) * attack(tt, 0.003);
    return std::array<double, 2>{y, y};
  });
}

void subNote(StereoBus& bus, double t, double length, double note, float gain) {
  double phase = 0;
  const double hz = midiHz(note);
  render(bus, t, length, [&](double tt) {
    phase += kTwoPi * hz / kRate;
    const double release = std::min(1.0, (length - tt) / 0.25);
    const double y = gain * std::sin(phase) * attack(tt, 0.06) * release;
    return std::array<double, 2>{y, y};
  });
}

void padChord(StereoBus& bus, double t, double length, const std::vector<double>& notes, float gain,
              float cutoff) {
  constexpr double kRelease = 0.9;
  Noise phases(seedAt(t, 5));
  for (double note : notes) {
    std::array<Saw, 4> saws;
    // Random start phases and slightly detuned saws: voices that start in step would sum to one
    // loud click and then beat in unison.
    for (Saw& saw : saws) saw.phase = (phases.next() + 1.0) * 0.5;
    const double hz = midiHz(note);
    const std::array<double, 4> detune = {0.9962, 1.0019, 0.9981, 1.0041};
    Svf left, right;
    long n = 0;
    render(bus, t, length + kRelease, [&](double tt) {
      if ((n++ & 31) == 0) {
        const double sweep = cutoff * (1.0 + 0.25 * std::sin(kTwoPi * 0.21 * (t + tt)));
        left.set(sweep, 0.9);
        right.set(sweep * 1.03, 0.9);
      }
      left.run(saws[0].next(hz * detune[0]) + saws[1].next(hz * detune[1]));
      right.run(saws[2].next(hz * detune[2]) + saws[3].next(hz * detune[3]));
      const double env = std::min(1.0, tt / 0.35) *
                         (tt > length ? std::max(0.0, 1.0 - (tt - length) / kRelease) : 1.0);
      const double g = gain * env * 0.5;
      return std::array<double, 2>{left.low * g, right.low * g};
    });
  }
}

void leadNote(StereoBus& bus, double t, double length, double note, float gain) {
  Saw a, b;
  Svf filter;
  const double hz = midiHz(note);
  long n = 0;
  render(bus, t, length + 0.12, [&](double tt) {
    const double vibrato = tt > 0.18 ? 0.12 * std::sin(kTwoPi * 5.3 * (tt - 0.18)) : 0.0;
    const double f = hz * std::pow(2.0, vibrato / 12.0);
    if ((n++ & 15) == 0) filter.set(1100.0 + 2600.0 * std::exp(-tt / 0.14), 1.3);
    filter.run(0.6 * a.next(f) + 0.4 * b.next(f * 1.0035));
    const double sustain = 0.7 + 0.3 * std::exp(-tt / 0.1);
    const double release = tt > length ? std::max(0.0, 1.0 - (tt - length) / 0.12) : 1.0;
    const double y = gain * filter.low * attack(tt, 0.006) * sustain * release;
    return std::array<double, 2>{y, y};
  });
}

void pluck(StereoBus& bus, double t, double note, float gain, float brightness, float position) {
  Saw saw;
  Svf filter;
  const double hz = midiHz(note);
  long n = 0;
  const Pan place(position);
  render(bus, t, 0.9, [&](double tt) {
    if ((n++ & 15) == 0) filter.set(250.0 + brightness * 4500.0 * std::exp(-tt / 0.05), 1.2);
    filter.run(saw.next(hz));
    return place(gain * filter.low * attack(tt, 0.002) * std::exp(-tt / 0.22));
  });
}

// Two-operator FM at 3.5 times the pitch: the inharmonic ratio and the decaying index give the
// bell its metallic attack that mellows as it rings.
void bell(StereoBus& bus, double t, double note, float gain, float position) {
  double carrier = 0, modulator = 0;
  const double hz = midiHz(note);
  const Pan place(position);
  render(bus, t, 3.0, [&](double tt) {
    modulator += kTwoPi * hz * 3.5 / kRate;
    carrier += kTwoPi * hz / kRate;
    const double index = 2.2 * std::exp(-tt / 0.35);
    const double y = gain * std::sin(carrier + index * std::sin(modulator)) * attack(tt, 0.003) *
                     std::exp(-tt / 0.9);
    return place(y);
  });
}

void pingPongDelay(const StereoBus& in, StereoBus& out, double seconds, float feedback, float wet) {
  const size_t length = size_t(std::lround(seconds * kRate));
  std::vector<float> lineL(length, 0.0f), lineR(length, 0.0f);
  float toneL = 0, toneR = 0;  // the echoes darken as they repeat
  size_t head = 0;
  for (size_t i = 0; i < in.frames() && i < out.frames(); ++i) {
    const float echoL = lineL[head], echoR = lineR[head];
    toneL += 0.35f * (echoL - toneL);
    toneR += 0.35f * (echoR - toneR);
    // The input enters the left line only and each line feeds the other: the echoes alternate
    // sides.
    lineL[head] = 0.5f * (in.left[i] + in.right[i]) + feedback * toneR;
    lineR[head] = feedback * toneL;
    out.left[i] += wet * echoL;
    out.right[i] += wet * echoR;
    if (++head == length) head = 0;
  }
}

namespace {

// One channel of a Schroeder-Moorer reverb: eight damped combs in parallel, four allpasses. The
// line lengths (samples at 44.1 kHz) have no common factor, so their echoes never pile up on one
// beat; the right channel's lines are 23 samples longer, which decorrelates the two sides.
class ReverbChannel {
 public:
  ReverbChannel(int spread, float roomSize, float damping) : room(roomSize), damp(damping) {
    for (int length : {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617}) {
      combs.push_back({std::vector<float>(size_t(length + spread), 0.0f), 0, 0.0f});
    }
    for (int length : {556, 441, 341, 225}) {
      allpasses.push_back({std::vector<float>(size_t(length + spread), 0.0f), 0, 0.0f});
    }
  }
  float run(float x) {
    float sum = 0;
    for (Line& comb : combs) {
      const float y = comb.buffer[comb.head];
      comb.state = y * (1 - damp) + comb.state * damp;
      comb.buffer[comb.head] = x + comb.state * room;
      if (++comb.head == comb.buffer.size()) comb.head = 0;
      sum += y;
    }
    for (Line& allpass : allpasses) {
      const float delayed = allpass.buffer[allpass.head];
      allpass.buffer[allpass.head] = sum + delayed * 0.5f;
      if (++allpass.head == allpass.buffer.size()) allpass.head = 0;
      sum = delayed - sum;
    }
    return sum;
  }

 private:
  struct Line {
    std::vector<float> buffer;
    size_t head;
    float state;
  };
  std::vector<Line> combs, allpasses;
  float room, damp;
};

}  // namespace

void reverb(const StereoBus& in, StereoBus& out, float roomSize, float damping, float wet) {
  ReverbChannel left(0, roomSize, damping), right(23, roomSize, damping);
  for (size_t i = 0; i < in.frames() && i < out.frames(); ++i) {
    const float x = (in.left[i] + in.right[i]) * 0.015f;
    out.left[i] += wet * left.run(x);
    out.right[i] += wet * right.run(x);
  }
}
