// Reader and writer of the show's .p pictures (PCX layout, 256 colours, run-length coded). The
// reader trusts nothing in the file: sizes, run lengths and the file length are all checked before
// a byte is written, so a damaged or hostile file is a failed read, never an out-of-bounds access.
#include "assets/packed_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kPaletteSize = 768;
constexpr uint8_t kRunMarker = 0xC0;
constexpr int kMaxRun = 63;
// Marks the palette at the end of a PCX file; the reader never looks at it.
constexpr uint8_t kPaletteMarker = 0x0C;

uint16_t readU16(const uint8_t* bytes) { return uint16_t(bytes[0] | (bytes[1] << 8)); }

void writeU16(uint8_t* bytes, uint32_t value) {
  bytes[0] = uint8_t(value & 0xFF);
  bytes[1] = uint8_t((value >> 8) & 0xFF);
}

// The show names its pictures "Data\overlay1.p"; every system the show runs on takes
// "Data/overlay1.p" for it (Windows accepts either separator), so one spelling serves them all.
std::string portablePath(const char* path) {
  std::string portable(path);
  std::replace(portable.begin(), portable.end(), '\\', '/');
  return portable;
}

// Writes one run-length coded row: runs of up to 63 equal indices, and single indices below 0xC0
// as themselves (0xC0 and above would read as a run header).
void encodeRow(const uint8_t* row, int32_t width, std::vector<uint8_t>& out) {
  int32_t x = 0;
  while (x < width) {
    const uint8_t value = row[x];
    int32_t run = 1;
    while (x + run < width && run < kMaxRun && row[x + run] == value) ++run;
    if (run == 1 && value < kRunMarker) {
      out.push_back(value);
    } else {
      out.push_back(uint8_t(kRunMarker | run));
      out.push_back(value);
    }
    x += run;
  }
}

}  // namespace

bool PackedImage::loadPackedImage(const char* path) {
  // Every failure leaves no picture at all, so a caller that keeps the fields after a failed read
  // never pairs an earlier picture's size with a missing buffer.
  pixels.reset();
  palette.reset();
  width = height = 0;
  const std::string portable = portablePath(path ? path : "");
  std::FILE* file = std::fopen(portable.c_str(), "rb");
  if (!file) {
    error = "cannot open " + portable;
    return false;
  }
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  const bool readFailed = std::ferror(file) != 0;
  std::fclose(file);
  if (readFailed) {
    error = "cannot read " + portable;
    return false;
  }
  if (!decode(bytes.data(), bytes.size())) {
    error = portable + ": " + error;
    return false;
  }
  return true;
}

bool PackedImage::decode(const uint8_t* data, size_t size) {
  // Whatever happens below, this read never hands out buffers of an earlier one.
  pixels.reset();
  palette.reset();
  width = height = 0;
  error.clear();
  auto fail = [this](const char* why) {
    pixels.reset();
    palette.reset();
    width = height = 0;
    error = why;
    return false;
  };

  if (!data || size < kHeaderSize + kPaletteSize) {
    return fail("shorter than its 128-byte header and 768-byte palette");
  }
  if (data[64] != 0) return fail("reserved header byte is not 0");

  const int64_t w = int64_t(data[65]) * readU16(data + 66);
  const int64_t h = int64_t(readU16(data + 10)) - int64_t(readU16(data + 6)) + 1;
  if (w <= 0 || h <= 0) return fail("zero or negative image size");

  // No data byte yields more than 63 pixels, so most files too short to fill the image are known
  // before anything is allocated, and the allocation stays within 252 times the file's size.
  const size_t dataEnd = size - kPaletteSize;
  const uint64_t total = uint64_t(w) * uint64_t(h);
  const uint64_t available = dataEnd - kHeaderSize;
  if (total > available * kMaxRun) return fail("image data ends before the image is complete");

  std::unique_ptr<uint8_t[]> pal(new uint8_t[kPaletteSize]);
  std::memcpy(pal.get(), data + dataEnd, kPaletteSize);
  std::unique_ptr<uint8_t[]> out(new uint8_t[total * 4]);

  // Runs may cross row ends (the next row goes on where the run stopped), so the rows form one
  // stream of pixels: decoding ends when the buffer is full, and the last run is cut to fit.
  uint64_t p = 0;
  size_t at = kHeaderSize;
  while (p < total) {
    if (at >= dataEnd) return fail("image data ends before the image is complete");
    uint8_t index = data[at++];
    uint64_t count = 1;
    if (index >= kRunMarker) {
      if (at >= dataEnd) return fail("image data ends inside a run");
      count = index & 0x3F;
      index = data[at++];
    }
    count = std::min(count, total - p);
    const uint8_t* entry = pal.get() + 3 * index;
    for (uint64_t i = 0; i < count; ++i, ++p) {
      uint8_t* px = out.get() + 4 * p;
      px[0] = entry[0];
      px[1] = entry[1];
      px[2] = entry[2];
      px[3] = entry[0];  // alpha repeats red
    }
  }

  pixels = std::move(out);
  palette = std::move(pal);
  width = int32_t(w);
  height = int32_t(h);
  return true;
}

std::vector<uint8_t> encodePackedImage(const uint8_t* indices, int32_t width, int32_t height,
                                       const uint8_t* palette) {
  // The header stores the width as bytes per line (16 bits, one plane) and the last row as yMax.
  if (!indices || !palette || width <= 0 || height <= 0 || width > 0xFFFF || height > 0x10000) {
    return {};
  }
  std::vector<uint8_t> out(kHeaderSize, 0);
  out[0] = 0x0A;  // ZSoft
  out[1] = 5;     // version 3.0 with a 256-colour palette
  out[2] = 1;     // run-length coded
  out[3] = 8;     // bits per pixel
  writeU16(&out[8], uint32_t(width - 1));
  writeU16(&out[10], uint32_t(height - 1));
  writeU16(&out[12], 72);
  writeU16(&out[14], 72);
  out[65] = 1;  // planes
  writeU16(&out[66], uint32_t(width));
  writeU16(&out[68], 1);  // colour palette
  for (int32_t y = 0; y < height; ++y) {
    encodeRow(indices + size_t(y) * size_t(width), width, out);
  }
  out.push_back(kPaletteMarker);
  out.insert(out.end(), palette, palette + kPaletteSize);
  return out;
}
