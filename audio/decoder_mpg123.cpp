// MPEG audio decoding with libmpg123: the stream is scanned first so its exact length is known, and
// gapless mode drops the encoder's delay and padding, so a LAME-made file gives back exactly the
// frames that were encoded.
//   [x] MPEG layers 1 to 3, any rate, mono or stereo   [x] exact length (scanned)   [x] gapless
//   [ ] a rate that changes within the stream (refused)
#include <mpg123.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/decoder.h"

// Asked before the library sees the file, whose own messages could not say which of these it was.
std::string checkReadable(const std::string& path) {
  std::error_code code;
  if (!std::filesystem::exists(path, code)) {
    return "The music file \"" + path + "\" does not exist.";
  }
  if (std::filesystem::is_directory(path, code)) {
    return "The music file \"" + path + "\" is a directory, not a file.";
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    return "The music file \"" + path + "\" cannot be read: " + std::strerror(errno) + ".";
  }
  std::fclose(file);
  return {};
}

namespace {

struct HandleCloser {
  void operator()(mpg123_handle* handle) const {
    mpg123_close(handle);
    mpg123_delete(handle);
  }
};
using Mpg123Handle = std::unique_ptr<mpg123_handle, HandleCloser>;

std::string notAudio(const std::string& path) {
  return "The music file \"" + path + "\" is not MPEG audio that can be decoded.";
}

// Accept every rate and channel count, always as 32-bit float.
bool requestFloatOutput(mpg123_handle* handle) {
  if (mpg123_format_none(handle) != MPG123_OK) return false;
  const long* rates = nullptr;
  size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (size_t i = 0; i < rateCount; ++i) {
    if (mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32) !=
        MPG123_OK) {
      return false;
    }
  }
  return true;
}

Mpg123Handle openHandle(const std::string& path) {
  // Needed once per process (and required before 1.27 only); the once-flag keeps it safe should two
  // threads ever decode at the same time.
  static std::once_flag initialised;
  std::call_once(initialised, [] { mpg123_init(); });
  int status = MPG123_OK;
  Mpg123Handle handle(mpg123_new(nullptr, &status));
  if (!handle) return nullptr;
  mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
  if (!requestFloatOutput(handle.get())) return nullptr;
  if (mpg123_open(handle.get(), path.c_str()) != MPG123_OK) return nullptr;
  return handle;
}

// Appends decoded frames as stereo; false on a decoding error.
bool readAll(mpg123_handle* handle, int channels, DecodedAudio& audio) {
  std::vector<unsigned char> buffer(1 << 16);
  for (;;) {
    size_t bytes = 0;
    const int status = mpg123_read(handle, buffer.data(), buffer.size(), &bytes);
    const float* samples = reinterpret_cast<const float*>(buffer.data());
    const size_t count = bytes / sizeof(float);
    // Stereo out whatever comes in: mono is doubled (first and last channel are the same one).
    for (size_t i = 0; i + channels <= count; i += channels) {
      audio.samples.push_back(samples[i]);
      audio.samples.push_back(samples[i + channels - 1]);
    }
    if (status == MPG123_DONE) return true;
    if (status == MPG123_NEW_FORMAT) {
      // A stream may switch between mono and stereo part-way; the rate stays (mpg123 would
      // report a rate change here too, which a single channel cannot follow).
      long rate = 0;
      int encoding = 0;
      if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || channels < 1 ||
          channels > 2 || rate != audio.rate) {
        return false;
      }
    } else if (status != MPG123_OK) {
      return false;
    }
  }
}

}  // namespace

std::optional<DecodedAudio> decodeMpegFile(const std::string& path, std::string& error) {
  error = checkReadable(path);
  if (!error.empty()) return std::nullopt;
  Mpg123Handle handle = openHandle(path);
  // The scan reads the whole stream once, so the length below is exact (the gapless trimming
  // included) and the samples are reserved in one go.
  if (!handle || mpg123_scan(handle.get()) != MPG123_OK) {
    error = notAudio(path);
    return std::nullopt;
  }
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  if (mpg123_getformat(handle.get(), &rate, &channels, &encoding) != MPG123_OK ||
      encoding != MPG123_ENC_FLOAT_32 || channels < 1 || channels > 2) {
    error = notAudio(path);
    return std::nullopt;
  }
  DecodedAudio audio;
  audio.rate = static_cast<int>(rate);
  const off_t length = mpg123_length(handle.get());
  if (length > 0) audio.samples.reserve(static_cast<size_t>(length) * 2);
  if (!readAll(handle.get(), channels, audio)) {
    error = "The music file \"" + path + "\" is damaged: " + mpg123_strerror(handle.get()) + ".";
    return std::nullopt;
  }
  if (audio.frames() == 0) {
    error = notAudio(path);
    return std::nullopt;
  }
  return audio;
}

// Output frame f lies at f x (in rate / out rate) input frames; the last input frame is held
// rather than read past the end. Good enough for music that already has the engine's rate, the
// case of the show's own file, where the samples are copied untouched.
DecodedAudio resampleTo(const DecodedAudio& audio, int rate) {
  if (audio.rate == rate || audio.rate <= 0) return audio;
  DecodedAudio out;
  out.rate = rate;
  const int64_t inFrames = audio.frames();
  const int64_t outFrames = inFrames * rate / audio.rate;
  out.samples.resize(static_cast<size_t>(outFrames) * 2);
  const double step = static_cast<double>(audio.rate) / rate;
  for (int64_t f = 0; f < outFrames; ++f) {
    const double at = f * step;
    const int64_t i = static_cast<int64_t>(at);
    const float t = static_cast<float>(at - i);
    const int64_t j = i + 1 < inFrames ? i + 1 : i;
    for (int c = 0; c < 2; ++c) {
      const float a = audio.samples[i * 2 + c];
      const float b = audio.samples[j * 2 + c];
      out.samples[f * 2 + c] = a + (b - a) * t;
    }
  }
  return out;
}
