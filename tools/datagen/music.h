// The show's soundtrack: a procedural synthesiser renders the track, LAME encodes it to MP3.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kMusicRate = 44100;
inline constexpr double kMusicSeconds =
    74.0;  // demo time = music time + 3 s; the show ends at 76 s
inline constexpr int kMusicFrames = int(kMusicRate * kMusicSeconds);

// Interleaved stereo floats, kMusicFrames frames, peaks below 1.
std::vector<float> renderMusic();

// 192 kbps constant-rate MP3 with a LAME info frame, so gapless decoders return exactly the
// rendered frames. False with `error` set when the encoder refuses.
bool encodeMp3(const std::vector<float>& stereo, std::vector<uint8_t>& mp3, std::string& error);
