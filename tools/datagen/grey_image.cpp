// Grey picture helpers of the data generator: quantising, the grey palette, file and PNG output.
#include "tools/datagen/grey_image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "capture/png_file.h"

// Shapes that overlap merge by maximum rather than by sum, so antialiased edges of two marks never
// add up to a brighter seam; marks drawn past the edge are cut off.
void GreyImage::lighten(int x, int y, float value) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  float& texel = at(x, y);
  texel = std::max(texel, value);
}

std::vector<uint8_t> GreyImage::levels() const {
  std::vector<uint8_t> out(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    const float v = std::clamp(values[i], 0.0f, 1.0f);
    out[i] = uint8_t(std::lround(v * 255.0f));
  }
  return out;
}

// The show reads a palette index per texel; with this palette the index is the grey level itself,
// which the .p format's run-length coding then keeps small for the flat black areas.
std::vector<uint8_t> greyPalette() {
  std::vector<uint8_t> palette(768);
  for (int i = 0; i < 256; ++i) {
    palette[size_t(i) * 3] = palette[size_t(i) * 3 + 1] = palette[size_t(i) * 3 + 2] = uint8_t(i);
  }
  return palette;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    error = "cannot create " + path;
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) error = "cannot write " + path;
  return written && closed;
}

bool writeGreyPng(const std::string& path, const GreyImage& image, std::string& error) {
  const std::vector<uint8_t> levels = image.levels();
  return writePngFile(path, levels.data(), image.width, image.height, 1, error);
}
