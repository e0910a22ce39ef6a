// The menu icon. Every shape is measured in units of the icon's width, so each size is drawn from
// the same design (supersampled, not scaled down from the largest); only the dot pitch grows at
// small sizes, where dots of a pixel or two would blur into grey.
#include "tools/datagen/icon.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <vector>

#include "capture/png_file.h"
#include "tools/datagen/grey_image.h"

namespace {

struct Rgb {
  float r, g, b;
};

Rgb mix(Rgb a, Rgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

float smoothstep(float edge0, float edge1, float x) {
  const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
  return t * t * (3.0f - 2.0f * t);
}

// Fully saturated colour of hue `turns` (0..1 round the wheel).
Rgb hue(float turns) {
  const auto channel = [&](float offset) {
    const float k = std::fmod(turns * 6.0f + offset, 6.0f);
    return std::clamp(std::min(k, 4.0f - k), 0.0f, 1.0f);
  };
  return {channel(5.0f), channel(3.0f), channel(1.0f)};
}

constexpr float kPi = 3.14159265f;

// The design, in units of the icon's width.
constexpr float kTileMargin = 0.035f;  // transparent border, as desktop icon themes leave
constexpr float kTileCorner = 0.19f;
constexpr float kDiscRadius = 0.325f;
constexpr float kRimWidth = 0.075f;  // the spectral glow round the disc, as in the title scene
constexpr Rgb kPaper = {0.975f, 0.975f, 0.965f};
constexpr Rgb kInk = {0.035f, 0.035f, 0.045f};

class IconDesign {
 public:
  explicit IconDesign(int size)
      : pitch(std::max(0.074f, 5.0f / float(size))), rowStep(pitch * 0.8660254f) {}

  // Colour and coverage of the point (x, y), both 0..1 from the top left.
  bool sample(float x, float y, Rgb& colour) const {
    if (!insideTile(x, y)) return false;
    const float dx = x - 0.5f, dy = y - 0.5f;
    const float r = std::hypot(dx, dy);
    colour = paper(r);
    colour = mix(colour, hue(std::atan2(dy, dx) / (2.0f * kPi) + 0.5f), rimGlow(r));
    if (r < kDiscRadius) colour = onDot(x, y) ? kPaper : kInk;
    return true;
  }

 private:
  static bool insideTile(float x, float y) {
    const float half = 0.5f - kTileMargin;
    const float qx = std::max(std::abs(x - 0.5f) - (half - kTileCorner), 0.0f);
    const float qy = std::max(std::abs(y - 0.5f) - (half - kTileCorner), 0.0f);
    return std::hypot(qx, qy) <= kTileCorner;
  }

  // White paper, greying toward the tile's edge like the overlay's vignette.
  static Rgb paper(float r) {
    return mix(kPaper, {0.80f, 0.80f, 0.80f}, smoothstep(0.30f, 0.72f, r));
  }

  static float rimGlow(float r) {
    if (r < kDiscRadius) return 0.0f;
    const float t = (r - kDiscRadius) / kRimWidth;
    return 0.95f * std::exp(-3.2f * t * t);
  }

  // The title's ramp: staggered rows of dots whose radius grows with the square root of the
  // distance across the disc, kept whole inside it. The largest dots reach past half a row's
  // height, so the two nearest rows are both asked.
  bool onDot(float x, float y) const {
    const float below = std::floor((y - 0.5f) / rowStep);
    return onDotOfRow(x, y, below) || onDotOfRow(x, y, below + 1.0f);
  }

  bool onDotOfRow(float x, float y, float row) const {
    const float stagger = std::fmod(std::abs(row), 2.0f) * 0.5f;
    const float column = std::round((x - 0.5f) / pitch - stagger) + stagger;
    const float cx = 0.5f + column * pitch, cy = 0.5f + row * rowStep;
    if (std::hypot(cx - 0.5f, cy - 0.5f) > kDiscRadius - pitch * 0.55f) return false;
    const float t = std::clamp((cx - (0.5f - kDiscRadius)) / (2.0f * kDiscRadius), 0.0f, 1.0f);
    const float radius = pitch * 0.46f * std::sqrt(t);
    return std::hypot(x - cx, y - cy) < radius;
  }

  float pitch;    // at least five pixels, so that 48 px still shows separate dots
  float rowStep;  // rows of a hexagonal grid
};

// One pixel of the icon from kSub x kSub samples, as straight (not premultiplied) RGBA: the colour
// is the mean of the samples inside the tile, the alpha the share of them.
void shadePixel(const IconDesign& design, int size, int px, int py, uint8_t* out) {
  constexpr int kSub = 6;  // 36 samples: edges as smooth as a vector renderer's
  Rgb sum{0, 0, 0};
  int covered = 0;
  for (int j = 0; j < kSub; ++j) {
    for (int i = 0; i < kSub; ++i) {
      Rgb colour;
      const float x = (float(px) + (float(i) + 0.5f) / kSub) / float(size);
      const float y = (float(py) + (float(j) + 0.5f) / kSub) / float(size);
      if (!design.sample(x, y, colour)) continue;
      sum = {sum.r + colour.r, sum.g + colour.g, sum.b + colour.b};
      ++covered;
    }
  }
  const float n = float(std::max(covered, 1));
  for (float channel : {sum.r / n, sum.g / n, sum.b / n}) {
    *out++ = uint8_t(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255.0f));
  }
  *out = uint8_t(std::lround(255.0f * float(covered) / float(kSub * kSub)));
}

// The icon as size x size straight RGBA, rows top first.
std::vector<uint8_t> drawIcon(int size) {
  const IconDesign design(size);
  std::vector<uint8_t> rgba(size_t(size) * size_t(size) * 4);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      shadePixel(design, size, px, py, &rgba[(size_t(py) * size_t(size) + size_t(px)) * 4]);
    }
  }
  return rgba;
}

void putLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

// One image of a .ico file: a 32-bit bottom-up DIB (BGRA with straight alpha, as Windows icons
// keep it) headed by its BITMAPINFOHEADER, whose height counts the colour rows and the 1-bit mask
// rows below them. The mask marks the fully transparent pixels for the drawing paths that ignore
// alpha.
std::vector<uint8_t> iconDib(const std::vector<uint8_t>& rgba, int size) {
  const uint32_t maskStride = uint32_t(size + 31) / 32 * 4;
  const uint32_t imageBytes = uint32_t(size) * uint32_t(size) * 4 + maskStride * uint32_t(size);
  std::vector<uint8_t> dib;
  putLe(dib, 40, 4);                             // biSize
  putLe(dib, uint32_t(size), 4);                 // biWidth
  putLe(dib, uint32_t(size) * 2, 4);             // biHeight: colour and mask
  putLe(dib, 1, 2);                              // biPlanes
  putLe(dib, 32, 2);                             // biBitCount
  putLe(dib, 0, 4);                              // biCompression: BI_RGB
  putLe(dib, imageBytes, 4);                     // biSizeImage
  for (int i = 0; i < 4; ++i) putLe(dib, 0, 4);  // resolution, colours used and important
  for (int row = size - 1; row >= 0; --row) {
    for (int x = 0; x < size; ++x) {
      const uint8_t* p = &rgba[(size_t(row) * size_t(size) + size_t(x)) * 4];
      dib.insert(dib.end(), {p[2], p[1], p[0], p[3]});
    }
  }
  for (int row = size - 1; row >= 0; --row) {
    std::vector<uint8_t> bits(maskStride, 0);
    for (int x = 0; x < size; ++x) {
      if (rgba[(size_t(row) * size_t(size) + size_t(x)) * 4 + 3] == 0) {
        bits[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
      }
    }
    dib.insert(dib.end(), bits.begin(), bits.end());
  }
  return dib;
}

}  // namespace

bool writeIcon(const std::string& path, int size, std::string& error) {
  if (size < 16 || size > 1024) {
    error = "icon size " + std::to_string(size) + " is outside 16 to 1024";
    return false;
  }
  const std::vector<uint8_t> rgba = drawIcon(size);
  return writePngFile(path, rgba.data(), size, size, 4, error);
}

bool writeWindowsIcon(const std::string& path, std::string& error) {
  constexpr int kSizes[] = {16, 32, 48, 256};
  constexpr uint32_t kCount = std::size(kSizes);
  std::vector<std::vector<uint8_t>> images;
  for (int size : kSizes) images.push_back(iconDib(drawIcon(size), size));
  // The ICONDIR header, then one 16-byte ICONDIRENTRY per image, then the images.
  std::vector<uint8_t> file;
  putLe(file, 0, 2);  // reserved
  putLe(file, 1, 2);  // type: icon
  putLe(file, kCount, 2);
  uint32_t offset = 6 + 16 * kCount;
  for (uint32_t i = 0; i < kCount; ++i) {
    const uint32_t side = kSizes[i] == 256 ? 0 : uint32_t(kSizes[i]);  // 0 stands for 256
    putLe(file, side, 1);
    putLe(file, side, 1);
    putLe(file, 0, 2);   // no palette, reserved
    putLe(file, 1, 2);   // planes
    putLe(file, 32, 2);  // bits per pixel
    putLe(file, uint32_t(images[i].size()), 4);
    putLe(file, offset, 4);
    offset += uint32_t(images[i].size());
  }
  for (const std::vector<uint8_t>& image : images)
    file.insert(file.end(), image.begin(), image.end());
  return writeFile(path, file, error);
}
