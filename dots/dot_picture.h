// The halftoned picture as the processor sees it, for leaving out the dots that cannot change a
// pixel: a dot whose picture is white or nearly so is shrunk by the card to a speck whose every
// fragment rounds to nothing, yet it costs six vertices on the renderer's one vertex thread. The
// picture's band is read back once per dot pass, reduced to the lightest level of every 8 x 8
// block, and each dot is judged by the blocks its sample (with its filter's neighbours and a texel
// to spare) can reach.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "dots/dot_layer.h"

class DotPicture {
 public:
  // Reads rows `firstRow` to `firstRow + rows` (the band the scenes draw into) of the square
  // picture texture `side` texels wide through the framebuffer `framebuffer` (the render target
  // drawn into it), restoring the framebuffer bound before. Blocks outside those rows count as
  // dark: a dot that samples there is always drawn. False (and nothing to judge by) when it
  // cannot.
  bool read(uint32_t framebuffer, int32_t side, int32_t firstRow, int32_t rows);
  bool available() const { return side > 0; }
  void forget() { side = 0; }

  // The footprints of `layer`'s dots under the screen turned by `angle` (whose picture-coordinate
  // turn is `texMatrix`), made on first use and kept by the layer.
  const DotFootprints& footprints(DotLayer& layer, float angle,
                                  const std::array<float, 16>& texMatrix) const;

  // Whether the dot with footprint `footprint` samples only texels at least `lightest` in every
  // channel.
  bool light(uint32_t footprint, uint8_t lightest) const {
    if (footprint == kNoFootprint) return false;
    const uint32_t block = footprint >> 2;
    const bool across = (footprint & 1u) != 0, up = (footprint & 2u) != 0;
    const uint32_t above = block + static_cast<uint32_t>(blocksAcross);
    uint8_t level = lightestInBlock[block];
    if (across) level = std::min(level, lightestInBlock[block + 1]);
    if (up) level = std::min(level, lightestInBlock[above]);
    if (across && up) level = std::min(level, lightestInBlock[above + 1]);
    return level >= lightest;
  }

  // The footprint of a dot whose sample could not be worked out: never light.
  static constexpr uint32_t kNoFootprint = UINT32_MAX;

 private:
  // Reduces the 8 rows of `pixels` from `firstPixelRow` into block row `blockRow`.
  void reduceBlockRow(int32_t blockRow, int32_t firstPixelRow);

  int32_t side = 0;
  int32_t blocksAcross = 0;
  int32_t firstRow = 0;
  int32_t rowCount = 0;
  std::vector<uint8_t> pixels;           // RGBA rows of a few block rows, bottom first
  std::vector<uint8_t> columnLeast;      // scratch: the least of each byte down a block row
  std::vector<uint8_t> lightestInBlock;  // the least channel value of each 8 x 8 block
};

// The least channel level that every texel a dot samples must reach for the dot, drawn at scale
// `scale`, to change no pixel: its colour is at most the dot texel x darkness x (scale x
// darkness), which must round to 0 in an 8-bit target with room to spare. 256 when no level is
// light enough (a scale that is not a number).
int lightestLevelLeftOut(float scale);
