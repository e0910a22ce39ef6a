// Writes real MP3 files with libmp3lame, so tests (and the data generator) make their music instead
// of keeping binary files. The LAME tag is written, so a gapless decoder gives back exactly the
// frames that went in.
#pragma once

#include <string>
#include <vector>

// `samples` holds interleaved float frames in [-1, 1] with `channels` (1 or 2) per frame. The
// default 320 kbps keeps a pure tone's level within a fraction of a per cent; at 192 kbps LAME's
// quantisation takes about 3 % off it.
bool writeMp3(const std::string& path, const std::vector<float>& samples, int channels, int rate,
              int kbps = 320);

// A sine of `hz` for `frames` frames at `rate`, `amplitude` peak, as interleaved stereo.
std::vector<float> stereoSine(double hz, double amplitude, int rate, int frames);
