// MP3 encoding for tests with libmp3lame: constant bit rate, with the LAME tag written back over
// the first frame once the encoder knows its delay and padding.
#include "support/mp3_writer.h"

#include <lame.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

namespace {

struct LameCloser {
  void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool writeMp3(const std::string& path, const std::vector<float>& samples, int channels, int rate,
              int kbps) {
  if (channels < 1 || channels > 2) return false;
  std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
  if (!lame) return false;
  lame_set_in_samplerate(lame.get(), rate);
  lame_set_out_samplerate(lame.get(), rate);
  lame_set_num_channels(lame.get(), channels);
  lame_set_mode(lame.get(), channels == 1 ? MONO : JOINT_STEREO);
  lame_set_brate(lame.get(), kbps);
  lame_set_quality(lame.get(), 5);
  lame_set_bWriteVbrTag(lame.get(), 1);
  if (lame_init_params(lame.get()) < 0) return false;

  const int frames = static_cast<int>(samples.size() / channels);
  std::vector<float> left(frames), right(frames);
  for (int i = 0; i < frames; ++i) {
    left[i] = samples[i * channels];
    right[i] = samples[i * channels + channels - 1];
  }
  std::vector<unsigned char> mp3(static_cast<size_t>(1.25 * frames + 7200 + 16384));
  const int encoded = lame_encode_buffer_ieee_float(lame.get(), left.data(), right.data(), frames,
                                                    mp3.data(), static_cast<int>(mp3.size()));
  if (encoded < 0) return false;
  const int flushed =
      lame_encode_flush(lame.get(), mp3.data() + encoded, static_cast<int>(mp3.size()) - encoded);
  if (flushed < 0) return false;
  mp3.resize(static_cast<size_t>(encoded + flushed));

  // The first frame was a placeholder for the tag that carries delay and padding.
  unsigned char tag[4096];
  const size_t tagSize = lame_get_lametag_frame(lame.get(), tag, sizeof(tag));
  if (tagSize > 0 && tagSize <= sizeof(tag) && tagSize <= mp3.size()) {
    std::copy(tag, tag + tagSize, mp3.begin());
  }
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  return std::fwrite(mp3.data(), 1, mp3.size(), file.get()) == mp3.size();
}

std::vector<float> stereoSine(double hz, double amplitude, int rate, int frames) {
  std::vector<float> samples(static_cast<size_t>(frames) * 2);
  for (int i = 0; i < frames; ++i) {
    const double value = amplitude * std::sin(2.0 * std::numbers::pi * hz * i / rate);
    samples[i * 2] = samples[i * 2 + 1] = static_cast<float>(value);
  }
  return samples;
}
