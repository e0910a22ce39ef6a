// Turning music files into sound in memory: the whole file is decoded (or rendered) when a channel
// is created, so its exact length is known and any position can be read back for the spectrum.
// MP3 through libmpg123 everywhere (decoder_mpg123.cpp); tracker modules through libopenmpt on
// Linux and Windows (module_openmpt.cpp), refused by name on the web (module_null.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Interleaved stereo float frames at `rate`.
struct DecodedAudio {
  std::vector<float> samples;
  int rate = 0;
  int64_t frames() const { return static_cast<int64_t>(samples.size() / 2); }
};

// Why a music file could not be read, as one sentence naming it; empty when it can be opened.
std::string checkReadable(const std::string& path);

// MP3 (and the other MPEG audio layers) through libmpg123, gapless and at its own rate. Empty with
// `error` set (one sentence naming the file) on failure.
std::optional<DecodedAudio> decodeMpegFile(const std::string& path, std::string& error);

// A tracker module (MOD, XM, S3M, IT and the rest libopenmpt knows) rendered once at `rate` with
// volume ramping, to its end. Empty with `error` set on failure.
std::optional<DecodedAudio> renderModuleFile(const std::string& path, int rate, std::string& error);

// Linear-interpolation resampling of interleaved stereo to `rate` (the engine's output rate).
DecodedAudio resampleTo(const DecodedAudio& audio, int rate);
