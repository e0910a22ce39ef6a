// The tiny MOD file: 20-byte title, 31 sample headers of 30 bytes, order list, "M.K.", one pattern
// of 64 rows x 4 channels x 4 bytes, then the signed 8-bit sample data. Words are big-endian.
#include "support/mod_writer.h"

#include <cmath>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int kSampleBytes = 32;
constexpr int kPeriod = 428;

void putWord(std::vector<unsigned char>& out, int value) {
  out.push_back(static_cast<unsigned char>(value >> 8));
  out.push_back(static_cast<unsigned char>(value & 0xFF));
}

void putSampleHeaders(std::vector<unsigned char>& out) {
  for (int sample = 0; sample < 31; ++sample) {
    const size_t nameAt = out.size();
    out.resize(nameAt + 22, 0);
    if (sample == 0) {
      putWord(out, kSampleBytes / 2);  // length in words
      out.push_back(0);                // finetune
      out.push_back(64);               // volume
      putWord(out, 0);                 // loop start (words)
      putWord(out, kSampleBytes / 2);  // loop length (words): the whole sample repeats
    } else {
      putWord(out, 0);
      out.push_back(0);
      out.push_back(0);
      putWord(out, 0);
      putWord(out, 1);  // a loop of one word means "no loop"
    }
  }
}

}  // namespace

bool writeToneModule(const std::string& path) {
  std::vector<unsigned char> out(20, 0);
  const char title[] = "tone";
  std::copy(title, title + 4, out.begin());
  putSampleHeaders(out);
  out.push_back(1);                 // song length: one order
  out.push_back(127);               // restart byte
  out.resize(out.size() + 128, 0);  // order list: pattern 0
  for (char c : {'M', '.', 'K', '.'}) out.push_back(static_cast<unsigned char>(c));
  for (int row = 0; row < 64; ++row) {
    for (int channel = 0; channel < 4; ++channel) {
      const bool note = row == 0 && channel == 0;
      const int period = note ? kPeriod : 0;
      const int instrument = note ? 1 : 0;
      out.push_back(static_cast<unsigned char>((instrument & 0xF0) | (period >> 8)));
      out.push_back(static_cast<unsigned char>(period & 0xFF));
      out.push_back(static_cast<unsigned char>((instrument & 0x0F) << 4));  // no effect
      out.push_back(0);
    }
  }
  for (int i = 0; i < kSampleBytes; ++i) {
    const double value = 100.0 * std::sin(2.0 * std::numbers::pi * i / kSampleBytes);
    out.push_back(static_cast<unsigned char>(static_cast<signed char>(std::lround(value))));
  }
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(file);
}
