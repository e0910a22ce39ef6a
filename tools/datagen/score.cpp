// The soundtrack's score, 120 bpm in A minor, bars of two seconds from music time 0 (demo time
// 3 s). Its sections follow the show: a calm pad intro with low pulses from 7 s, the groove from
// 16 s (the cube cloud), a lighter half-time part from 34 s (the ring of dots), the fullest part
// with the lead from 46 s (the greetings), one last hit at 65 s and an outro that is silent by
// 72 s. Kicks and pulses stand well above a quieter bed so that beat detection finds them.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "tools/datagen/music.h"
#include "tools/datagen/synth.h"

namespace {

constexpr double kBar = 2.0;
constexpr double kBeat = 0.5;
constexpr double kStep = 0.125;  // a sixteenth

struct Chord {
  double bass;                // offbeat bass note; its sub sounds an octave below
  std::vector<double> notes;  // pad voicing
};

// Am9, Fmaj7, Cadd9, Gadd9: one chord per bar, four-bar loop.
const Chord kChords[4] = {{45, {57, 60, 64, 67, 71}},
                          {41, {53, 57, 60, 64, 69}},
                          {48, {55, 60, 62, 64, 67}},
                          {43, {55, 59, 62, 67, 69}}};

const Chord& chordOf(int bar) { return kChords[bar % 4]; }

struct Note {
  int step, length;  // sixteenths within the four-bar phrase
  double pitch;
};

// The lead's four-bar phrase; the second pass holds the last note instead.
const std::vector<Note> kMelody = {{0, 2, 69},  {2, 2, 72},  {4, 3, 76},  {7, 1, 74},  {8, 2, 72},
                                   {10, 2, 74}, {12, 4, 76}, {16, 2, 76}, {18, 2, 72}, {20, 4, 69},
                                   {24, 2, 67}, {26, 2, 69}, {28, 4, 72}, {32, 3, 74}, {35, 1, 76},
                                   {36, 4, 79}, {40, 2, 76}, {42, 2, 74}, {44, 4, 72}, {48, 2, 71},
                                   {50, 2, 74}, {52, 6, 76}, {58, 2, 74}, {60, 4, 71}};

struct Buses {
  StereoBus drums, bass, pads, lead, plucks, bells, riseFx;
  explicit Buses(size_t frames)
      : drums(frames),
        bass(frames),
        pads(frames),
        lead(frames),
        plucks(frames),
        bells(frames),
        riseFx(frames) {}
};

double barTime(int bar, double beat = 0, double step = 0) {
  return bar * kBar + beat * kBeat + step * kStep;
}

// Sixteenths with a light swing: every second one comes 15 ms late.
double swungStep(int bar, int step) { return barTime(bar, 0, step) + (step % 2 ? 0.015 : 0.0); }

void padsFor(Buses& b, int firstBar, int lastBar, float gain, float cutoff) {
  for (int bar = firstBar; bar <= lastBar; ++bar) {
    padChord(b.pads, barTime(bar), kBar, chordOf(bar).notes, gain, cutoff);
  }
}

void arpeggio(Buses& b, int bar, float gain, float brightness) {
  static const int kOrder[8] = {0, 2, 4, 1, 3, 2, 4, 3};
  const std::vector<double>& notes = chordOf(bar).notes;
  for (int s = 0; s < 16; ++s) {
    const double note = notes[size_t(kOrder[s % 8]) % notes.size()] + 12.0;
    pluck(b.plucks, swungStep(bar, s), note, gain * (s % 4 == 0 ? 1.0f : 0.7f), brightness,
          s % 2 ? 0.45f : -0.45f);
  }
}

void intro(Buses& b) {
  // Pads swell in; a few bell notes; from 7 s low pulses, the first scene's halftone toggles.
  for (int bar = 0; bar < 8; ++bar) {
    const float cutoff = 350.0f + 110.0f * float(bar);
    padChord(b.pads, barTime(bar), kBar, chordOf(bar).notes, 0.9f, cutoff);
  }
  const double bells[][2] = {{1.0, 76}, {2.5, 71}, {3.75, 72}, {5.0, 79}, {6.0, 74}};
  for (const auto& note : bells)
    bell(b.bells, note[0], note[1], 0.16f, note[1] > 74 ? 0.4f : -0.4f);
  for (double t : {7.0, 8.0, 10.0, 11.5, 12.0, 13.0, 14.0, 15.0, 15.5}) {
    subPulse(b.drums, t, t == 11.5 || t == 15.5 ? 0.55f : 0.7f);
  }
}

void drumsGroove(Buses& b, int bar, bool full) {
  for (int beat = 0; beat < 4; ++beat) kick(b.drums, barTime(bar, beat), 0.95f);
  const bool claps = full || bar >= 10;
  if (claps) {
    clap(b.drums, barTime(bar, 1), 0.42f, uint32_t(bar * 8 + 1));
    clap(b.drums, barTime(bar, 3), 0.42f, uint32_t(bar * 8 + 3));
  }
  for (int s = 0; s < 16; ++s) {
    const bool offbeat = s % 4 == 2;
    if (!claps && !offbeat) continue;
    const float gain = offbeat ? 0.2f : 0.09f;
    const double decay = full && offbeat ? 0.09 : 0.03;
    hat(b.drums, swungStep(bar, s), gain, decay, s % 2 ? 0.3f : -0.2f, uint32_t(bar * 64 + s));
  }
}

void bassGroove(Buses& b, int bar, float cutoff) {
  const double note = chordOf(bar).bass;
  for (int beat = 0; beat < 4; ++beat) {
    bassNote(b.bass, barTime(bar, beat, 2), 0.2, note, 0.34f, cutoff);
  }
  if (bar % 2 == 1) bassNote(b.bass, barTime(bar, 3, 3), 0.1, note + 12, 0.25f, cutoff);
}

void groove(Buses& b) {
  // Bars 8 to 16: kick from 16 s, claps and sixteenth hats from 20 s, a fill into 34 s.
  padsFor(b, 8, 16, 0.7f, 900.0f);
  for (int bar = 8; bar <= 16; ++bar) {
    drumsGroove(b, bar, false);
    bassGroove(b, bar, bar < 10 ? 250.0f + 200.0f * float(bar - 8) : 650.0f);
    if (bar >= 12) arpeggio(b, bar, 0.1f, 0.3f + 0.05f * float(bar - 12));
  }
  for (int s = 8; s < 16; ++s) {
    snare(b.drums, barTime(16, 0, s), 0.2f + 0.03f * float(s - 8), uint32_t(500 + s));
  }
  crash(b.drums, barTime(8), 0.28f, 21);
}

void lighter(Buses& b) {
  // Bars 17 to 21: half-time kick, soft snare, held sub bass, bright arpeggio and bell theme.
  padsFor(b, 17, 22, 0.55f, 2000.0f);
  crash(b.drums, barTime(17), 0.3f, 31);
  for (int bar = 17; bar <= 21; ++bar) {
    kick(b.drums, barTime(bar, 0), 0.95f);
    kick(b.drums, barTime(bar, 2), 0.9f);
    if (bar % 2 == 1) kick(b.drums, barTime(bar, 3, 2), 0.6f);
    snare(b.drums, barTime(bar, 1), 0.18f, uint32_t(bar * 4 + 1));
    snare(b.drums, barTime(bar, 3), 0.22f, uint32_t(bar * 4 + 3));
    for (int s = 0; s < 16; s += 2) {
      hat(b.drums, swungStep(bar, s + 1), 0.07f, 0.025, 0.5f, uint32_t(bar * 32 + s));
    }
    subNote(b.bass, barTime(bar), kBar, chordOf(bar).bass - 12, 0.24f);
    arpeggio(b, bar, 0.13f, 0.45f + 0.08f * float(bar - 17));
  }
  for (const Note& n : kMelody) {
    const double t = barTime(19) + n.step * kStep;
    if (t < barTime(22) && n.step % 4 == 0) bell(b.bells, t, n.pitch, 0.1f, 0.2f);
  }
}

void build(Buses& b) {
  // Bar 22: kicks on every beat and a snare roll growing into the full part at 46 s.
  for (int beat = 0; beat < 4; ++beat) kick(b.drums, barTime(22, beat), 0.9f);
  for (int s = 0; s < 16; s += (s < 8 ? 2 : 1)) {
    snare(b.drums, barTime(22, 0, s), 0.12f + 0.02f * float(s), uint32_t(700 + s));
  }
  riser(b.riseFx, barTime(21, 2), 3.0, 0.6f, 12);
}

void full(Buses& b) {
  // Bars 23 to 31 with the lead, bar 32 ends on the hit at 65 s.
  padsFor(b, 23, 31, 0.7f, 1000.0f);
  for (int bar = 23; bar <= 31; ++bar) {
    drumsGroove(b, bar, true);
    bassGroove(b, bar, 700.0f);
    arpeggio(b, bar, 0.08f, 0.5f);
    if ((bar - 23) % 4 == 0) crash(b.drums, barTime(bar), 0.32f, uint32_t(40 + bar));
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (const Note& n : kMelody) {
      const bool last = pass == 1 && n.step >= 52;
      if (pass == 1 && n.step > 52) continue;
      const double t = barTime(23 + 4 * pass) + n.step * kStep;
      leadNote(b.lead, t, (last ? 12 : n.length) * kStep * 0.92, n.pitch, 0.5f);
    }
  }
  leadNote(b.lead, barTime(31), 1.5, 69, 0.45f);
  kick(b.drums, barTime(32, 0), 0.95f);
  kick(b.drums, barTime(32, 1), 0.95f);
  padChord(b.pads, barTime(32), kBar * 0.5, chordOf(32).notes, 0.8f, 1700.0f);
}

void outro(Buses& b) {
  // The last hit at 65 s, then pads and echoing bells under the credits.
  kick(b.drums, 65.0, 1.0f);
  subPulse(b.drums, 65.0, 0.8f);
  crash(b.drums, 65.0, 0.4f, 99);
  padChord(b.pads, 65.0, 3.0, kChords[1].notes, 0.8f, 1400.0f);
  padChord(b.pads, 68.0, 3.5, kChords[0].notes, 0.75f, 900.0f);
  const double bells[][2] = {{65.5, 76}, {66.25, 72}, {67.0, 69}, {68.5, 71}, {69.5, 64}};
  for (const auto& note : bells) bell(b.bells, note[0], note[1], 0.12f, 0.0f);
}

// Gain that dips after every kick so the bed breathes with the beat.
std::vector<float> sidechain(size_t frames, const std::vector<double>& kicks) {
  std::vector<float> gain(frames, 1.0f);
  for (double t : kicks) {
    const long start = std::lround(t * kMusicRate);
    for (long n = 0; n < long(0.45 * kMusicRate); ++n) {
      const long i = start + n;
      if (i < 0 || i >= long(frames)) continue;
      const float duck = 1.0f - 0.6f * float(std::exp(-double(n) / (0.11 * kMusicRate)));
      gain[size_t(i)] = std::min(gain[size_t(i)], duck);
    }
  }
  return gain;
}

std::vector<double> kickTimes() {
  std::vector<double> times;
  for (int bar = 8; bar <= 31; ++bar) {
    if (bar >= 17 && bar <= 21) continue;
    for (int beat = 0; beat < 4; ++beat) times.push_back(barTime(bar, beat));
  }
  return times;
}

// Fades: in over the first 1.5 s, out from 66.5 s to silence at 72 s.
float masterFade(double t) {
  if (t < 1.5) return float(t / 1.5);
  if (t < 66.5) return 1.0f;
  if (t >= 72.0) return 0.0f;
  return float(0.5 + 0.5 * std::cos(std::numbers::pi * (t - 66.5) / 5.5));
}

}  // namespace

std::vector<float> renderMusic() {
  const size_t frames = size_t(kMusicFrames);
  Buses b(frames);
  intro(b);
  groove(b);
  lighter(b);
  build(b);
  full(b);
  outro(b);

  const std::vector<float> duck = sidechain(frames, kickTimes());
  for (size_t i = 0; i < frames; ++i) {
    b.bass.left[i] *= duck[i];
    b.bass.right[i] *= duck[i];
    b.pads.left[i] *= duck[i];
    b.pads.right[i] *= duck[i];
  }
  StereoBus mix(frames), sends(frames), echoes(frames);
  b.drums.mixInto(mix, 1.0f);
  b.bass.mixInto(mix, 0.9f);
  b.pads.mixInto(mix, 0.26f);
  b.lead.mixInto(mix, 0.6f);
  b.plucks.mixInto(mix, 0.45f);
  b.bells.mixInto(mix, 0.7f);
  b.riseFx.mixInto(mix, 0.25f);
  b.lead.mixInto(echoes, 0.6f);
  b.plucks.mixInto(echoes, 0.7f);
  b.bells.mixInto(echoes, 0.8f);
  pingPongDelay(echoes, mix, 3 * kStep, 0.42f, 0.35f);
  b.pads.mixInto(sends, 0.25f);
  b.lead.mixInto(sends, 0.4f);
  b.bells.mixInto(sends, 0.6f);
  b.drums.mixInto(sends, 0.12f);
  reverb(sends, mix, 0.84f, 0.3f, 0.5f);

  float peak = 1e-9f;
  for (size_t i = 0; i < frames; ++i) {
    peak = std::max(peak, std::max(std::abs(mix.left[i]), std::abs(mix.right[i])));
  }
  std::vector<float> stereo(frames * 2);
  const float drive = 1.4f, norm = 1.0f / std::tanh(drive);
  for (size_t i = 0; i < frames; ++i) {
    const float fade = masterFade(double(i) / kMusicRate) * 0.9f * norm;
    stereo[2 * i] = std::tanh(drive * mix.left[i] / peak) * fade;
    stereo[2 * i + 1] = std::tanh(drive * mix.right[i] / peak) * fade;
  }
  return stereo;
}
