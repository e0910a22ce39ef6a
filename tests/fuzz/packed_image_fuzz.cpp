// libFuzzer target for the .p picture reader: any byte string must decode or fail cleanly, and a
// decoded picture must hold only colours of its own palette with alpha repeating red. Each input
// also drives the writer: its bytes as palette indices must come back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/packed_image.h"

namespace {

void checkDecoded(const PackedImage& image) {
  if (!image.pixels || !image.palette || image.width <= 0 || image.height <= 0) std::abort();
  const size_t count = size_t(image.width) * size_t(image.height);
  for (size_t p = 0; p < count; ++p) {
    const uint8_t* px = &image.pixels[4 * p];
    if (px[3] != px[0]) std::abort();
  }
}

void checkRoundTrip(const uint8_t* data, size_t size) {
  if (size < 2) return;
  const int32_t width = 1 + data[0] % 64;
  const int32_t height = int32_t((size - 1) / size_t(width));
  if (height == 0) return;
  std::vector<uint8_t> palette(768);
  for (size_t i = 0; i < palette.size(); ++i) palette[i] = uint8_t(i / 3);  // red = index
  const uint8_t* indices = data + 1;
  const std::vector<uint8_t> file = encodePackedImage(indices, width, height, palette.data());
  PackedImage image;
  if (!image.decode(file.data(), file.size())) std::abort();
  if (image.width != width || image.height != height) std::abort();
  for (size_t p = 0; p < size_t(width) * size_t(height); ++p) {
    if (image.pixels[4 * p] != indices[p]) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PackedImage image;
  if (image.decode(data, size)) {
    checkDecoded(image);
  } else if (image.pixels || image.palette || image.error.empty()) {
    std::abort();
  }
  checkRoundTrip(data, size);
  return 0;
}
