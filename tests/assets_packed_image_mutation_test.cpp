// Tens of thousands of damaged .p files through the reader: random byte changes, extreme header
// sizes, inserted and removed bytes, and every truncation of a few real pictures. Under the
// address sanitizer this shows that no file can make the reader touch memory outside its buffers.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "assets/packed_image.h"

namespace {

std::vector<std::vector<uint8_t>> seedPictures() {
  std::vector<uint8_t> palette(768);
  for (int i = 0; i < 768; ++i) palette[i] = uint8_t(i * 11);
  std::vector<std::vector<uint8_t>> seeds;
  const int sizes[][2] = {{1, 1}, {8, 4}, {70, 3}, {33, 17}, {256, 2}};
  for (const auto& size : sizes) {
    std::vector<uint8_t> indices(size_t(size[0]) * size[1]);
    for (size_t i = 0; i < indices.size(); ++i) {
      indices[i] = (i / 40) % 2 ? uint8_t(0xC0 + i % 7) : uint8_t(i * 3);
    }
    seeds.push_back(encodePackedImage(indices.data(), size[0], size[1], palette.data()));
  }
  return seeds;
}

// A decoded picture holds only its own palette's colours, alpha repeating red.
void expectConsistent(const PackedImage& image, bool ok) {
  if (!ok) {
    ASSERT_EQ(image.pixels, nullptr);
    ASSERT_EQ(image.palette, nullptr);
    ASSERT_FALSE(image.error.empty());
    return;
  }
  ASSERT_GT(image.width, 0);
  ASSERT_GT(image.height, 0);
  ASSERT_NE(image.palette, nullptr);
  const size_t count = size_t(image.width) * size_t(image.height);
  for (size_t p = 0; p < count; p += 1 + count / 64) {
    ASSERT_EQ(image.pixels[4 * p + 3], image.pixels[4 * p]);
  }
}

void setU16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  if (at + 1 < bytes.size()) {
    bytes[at] = uint8_t(value);
    bytes[at + 1] = uint8_t(value >> 8);
  }
}

void mutate(std::vector<uint8_t>& bytes, std::mt19937& rng) {
  const int edits = 1 + int(rng() % 8);
  for (int e = 0; e < edits && !bytes.empty(); ++e) {
    const size_t at = rng() % bytes.size();
    switch (rng() % 7) {
      case 0:
        bytes[at] = uint8_t(rng());
        break;
      case 1:
        bytes[at] ^= uint8_t(1u << (rng() % 8));
        break;
      case 2:
        bytes[at] = uint8_t(0xC0 | (rng() % 64));
        break;
      case 3: {  // a size field set to an extreme or random value
        const size_t fields[] = {6, 10, 66};
        const uint16_t values[] = {0, 1, 0xFFFF, 0x8000, uint16_t(rng())};
        setU16(bytes, fields[rng() % 3], values[rng() % 5]);
        break;
      }
      case 4:
        bytes.insert(bytes.begin() + at, uint8_t(rng()));
        break;
      case 5:
        bytes.erase(bytes.begin() + at);
        break;
      default:
        bytes.resize(at);
        break;
    }
  }
  if (rng() % 4 == 0 && bytes.size() > 64) bytes[64] = 0;
  if (rng() % 4 == 0 && bytes.size() > 65) bytes[65] = uint8_t(rng() % 4);
}

TEST(PackedImageMutation, RandomDamageDecodesOrFailsCleanly) {
  const std::vector<std::vector<uint8_t>> seeds = seedPictures();
  std::mt19937 rng(20181);
  PackedImage image;  // reused, as the build-up reuses its reader
  int decoded = 0;
  const int rounds = 100000;
  for (int round = 0; round < rounds; ++round) {
    std::vector<uint8_t> bytes = seeds[round % seeds.size()];
    mutate(bytes, rng);
    const bool ok = image.decode(bytes.data(), bytes.size());
    decoded += ok;
    expectConsistent(image, ok);
    if (HasFatalFailure()) FAIL() << "round " << round;
  }
  // Both outcomes must be exercised, or the mutations are too mild or too harsh to mean much.
  EXPECT_GT(decoded, rounds / 20);
  EXPECT_LT(decoded, rounds - rounds / 20);
}

TEST(PackedImageMutation, EveryTruncationIsHandled) {
  for (const std::vector<uint8_t>& seed : seedPictures()) {
    PackedImage image;
    for (size_t length = 0; length <= seed.size(); ++length) {
      // Exactly sized copies, so that the sanitizer sees any read past the given length.
      std::vector<uint8_t> cut(seed.begin(), seed.begin() + length);
      const bool ok = image.decode(cut.data(), cut.size());
      expectConsistent(image, ok);
      if (length == seed.size()) {
        EXPECT_TRUE(ok) << image.error;
      } else if (length < 128 + 768) {
        EXPECT_FALSE(ok);
      }
    }
  }
}

}  // namespace
