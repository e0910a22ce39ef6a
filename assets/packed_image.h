// The show's .p pictures: 256-colour run-length-encoded images in the PCX layout (128-byte header,
// run-length palette indices, 768-byte palette at the end), decoded to RGBA with alpha repeating
// red.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct PackedImage {
  // width * height * 4 bytes (red, green, blue, alpha = red), rows in file order.
  std::unique_ptr<uint8_t[]> pixels;
  std::unique_ptr<uint8_t[]> palette;  // the file's 768-byte palette
  int32_t width = 0;
  int32_t height = 0;
  std::string error;  // why the last read failed

  // Reads and decodes a file ("Data\\overlay1.p" opens Data/overlay1.p on POSIX). False when it
  // cannot be opened or is malformed; a failed read leaves both buffers null and the size 0, and
  // no read ever shares a buffer with an earlier one.
  bool loadPackedImage(const char* path);
  // The same from bytes in memory.
  bool decode(const uint8_t* data, size_t size);
};

// Encodes width x height palette indices (rows in file order) with run-length coding (runs end at
// row ends) and the palette (768 bytes) at the end, in the layout loadPackedImage reads. Empty
// when the size does not fit the header (width 1 to 65535, height 1 to 65536) or a buffer is null.
std::vector<uint8_t> encodePackedImage(const uint8_t* indices, int32_t width, int32_t height,
                                       const uint8_t* palette);
