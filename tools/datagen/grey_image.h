// Grey pictures for the data generator: float coverage 0..1 per texel, written out as the show's
// 256-grey packed images (index = grey level) or as PNG previews for people to look at.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<float> values;  // rows top first, 0 black .. 1 white

  GreyImage(int w, int h) : width(w), height(h), values(size_t(w) * size_t(h), 0.0f) {}
  float& at(int x, int y) { return values[size_t(y) * size_t(width) + size_t(x)]; }
  float at(int x, int y) const { return values[size_t(y) * size_t(width) + size_t(x)]; }
  // Lightens a texel to at least `value` (lettering and shapes are merged by maximum).
  void lighten(int x, int y, float value);
  // Palette indices 0..255, rounded.
  std::vector<uint8_t> levels() const;
};

// The identity grey palette: entry i is (i, i, i).
std::vector<uint8_t> greyPalette();

// Both return false with a one-line reason in `error`.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
bool writeGreyPng(const std::string& path, const GreyImage& image, std::string& error);
