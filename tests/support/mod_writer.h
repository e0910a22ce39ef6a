// Writes a tiny four-channel ProTracker MOD file (one pattern, one looped sample) so tests can play
// a real tracker module without keeping binary files.
#pragma once

#include <string>

// One pattern of 64 rows at speed 6, tempo 125 (7.68 s): channel 0 holds a note of period 428 at
// row 0 playing a 32-byte looped sine sample, so the module sounds a steady tone of about 259 Hz
// (7 093 789.2 / (2 * 428) / 32) on the left.
bool writeToneModule(const std::string& path);
inline constexpr double kToneModuleHz = 7093789.2 / (2.0 * 428.0) / 32.0;
inline constexpr double kToneModuleSeconds = 64 * 6 * 0.02;
