// The read-back and its reduction run once per dot pass; the footprints once per layer and turn.
// The footprint is worked out in single precision like the card's, and widened by a texel on each
// side beyond the two the bilinear filter reads, so that no rounding of the card's own can reach
// a texel the processor did not look at.
#include "dots/dot_picture.h"

#include <algorithm>
#include <cmath>

#include "dots/dot_layer.h"
#include "gfx/gl.h"

namespace {

constexpr int32_t kBlock = 8;          // texels on a side of a block
constexpr int32_t kBlocksPerRead = 8;  // block rows read back at a time

}  // namespace

bool DotPicture::read(uint32_t framebuffer, int32_t pictureSide, int32_t bandRow, int32_t rows) {
  side = 0;
  if (pictureSide <= 0 || bandRow < 0 || rows <= 0 || bandRow + rows > pictureSide ||
      !gl::glBindFramebufferEXT) {
    return false;
  }
  side = pictureSide;
  firstRow = bandRow;
  rowCount = rows;
  blocksAcross = (side + kBlock - 1) / kBlock;
  // Only blocks wholly inside the rows read can be light.
  lightestInBlock.assign(static_cast<size_t>(blocksAcross) * static_cast<size_t>(blocksAcross), 0);
  GLint bound = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
  gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  // A few block rows at a time, so the copy stays small beside the picture it is taken from.
  const int32_t firstBlock = (firstRow + kBlock - 1) / kBlock;
  const int32_t endBlock = (firstRow + rowCount) / kBlock;
  for (int32_t by = firstBlock; by < endBlock; by += kBlocksPerRead) {
    const int32_t blockRows = std::min(kBlocksPerRead, endBlock - by);
    pixels.resize(static_cast<size_t>(side) * static_cast<size_t>(blockRows * kBlock) * 4);
    glReadPixels(0, by * kBlock, side, blockRows * kBlock, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels.data());
    for (int32_t row = 0; row < blockRows; ++row) reduceBlockRow(by + row, row * kBlock);
  }
  gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(bound));
  return true;
}

void DotPicture::reduceBlockRow(int32_t blockRow, int32_t firstPixelRow) {
  // The least of each byte down the block row first (one long loop the compiler vectorises),
  // then the least of each block's 32 bytes across.
  const size_t rowBytes = static_cast<size_t>(side) * 4;
  const uint8_t* first = pixels.data() + static_cast<size_t>(firstPixelRow) * rowBytes;
  columnLeast.assign(first, first + rowBytes);
  for (int32_t y = 1; y < kBlock; ++y) {
    const uint8_t* row = first + static_cast<size_t>(y) * rowBytes;
    for (size_t i = 0; i < rowBytes; ++i) columnLeast[i] = std::min(columnLeast[i], row[i]);
  }
  uint8_t* blocks = lightestInBlock.data() + static_cast<size_t>(blockRow) * blocksAcross;
  for (int32_t bx = 0; bx < blocksAcross; ++bx) {
    // Alpha is taken with the colour: it only makes the test stricter.
    const size_t from = static_cast<size_t>(bx) * kBlock * 4;
    const size_t to = std::min(rowBytes, from + kBlock * 4);
    blocks[bx] = *std::min_element(columnLeast.begin() + static_cast<std::ptrdiff_t>(from),
                                   columnLeast.begin() + static_cast<std::ptrdiff_t>(to));
  }
}

const DotFootprints& DotPicture::footprints(DotLayer& layer, float angle,
                                            const std::array<float, 16>& m) const {
  for (const DotFootprints& known : layer.footprints) {
    if (known.angle == angle && known.side == side) return known;
  }
  DotFootprints made;
  made.angle = angle;
  made.side = side;
  const size_t dots = layer.dotCount();
  made.blocks.resize(dots);
  const float texels = static_cast<float>(side);
  auto blockRange = [&](float coordinate, int32_t& first, bool& spans) {
    const float at = coordinate * texels - 0.5f;
    const float low = std::floor(at) - 1.0f, high = std::floor(at) + 2.0f;
    const int32_t lo = static_cast<int32_t>(std::clamp(low, 0.0f, texels - 1.0f));
    const int32_t hi = static_cast<int32_t>(std::clamp(high, 0.0f, texels - 1.0f));
    first = lo / kBlock;
    spans = hi / kBlock != first;
  };
  for (size_t dot = 0; dot < dots; ++dot) {
    const Vec4& image = layer.imageCoords[dot * DotLayer::kVerticesPerDot];
    const float u = m[0] * image.x + m[4] * image.y + m[12];
    const float v = m[1] * image.x + m[5] * image.y + m[13];
    int32_t bx = 0, by = 0;
    bool across = false, up = false;
    // A coordinate that is not a number cannot be judged: the dot then always draws.
    if (!std::isfinite(u) || !std::isfinite(v)) {
      made.blocks[dot] = kNoFootprint;
      continue;
    }
    blockRange(u, bx, across);
    blockRange(v, by, up);
    const uint32_t block =
        static_cast<uint32_t>(by) * static_cast<uint32_t>(blocksAcross) + static_cast<uint32_t>(bx);
    made.blocks[dot] = block << 2 | (up ? 2u : 0u) | (across ? 1u : 0u);
  }
  layer.footprints.push_back(std::move(made));
  return layer.footprints.back();
}

int lightestLevelLeftOut(float scale) {
  const double size = std::fabs(static_cast<double>(scale));
  if (!std::isfinite(size)) return 256;
  // A quarter of an 8-bit step: rounding to nearest leaves it 0 however the card rounds within
  // half a step; the 1e-4 covers the card's single-precision sum of the three channels.
  constexpr double kLargestColour = 0.25 / 255.0;
  for (int level = 0; level < 256; ++level) {
    const double darkness = 1.0 - 0.9999 * level / 255.0 + 1e-4;
    if (size * darkness * darkness < kLargestColour) return level;
  }
  return 256;
}
