// The .p picture reader and writer: the run-length rules, the palette at the end, the header
// fields that give the size, and every way a damaged file must fail without touching memory
// beyond the image.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/packed_image.h"

namespace {

// A hand-made file: header with the given size fields, the data bytes as given, a palette whose
// entry i is (i, 255 - i, i / 2) unless overridden.
struct FileBuilder {
  std::vector<uint8_t> header = std::vector<uint8_t>(128, 0);
  std::vector<uint8_t> data;
  std::vector<uint8_t> palette = std::vector<uint8_t>(768, 0);

  FileBuilder(int planes, int bytesPerLine, int yMin, int yMax) {
    header[0] = 0x0A;
    header[65] = uint8_t(planes);
    header[66] = uint8_t(bytesPerLine & 0xFF);
    header[67] = uint8_t(bytesPerLine >> 8);
    header[6] = uint8_t(yMin & 0xFF);
    header[7] = uint8_t(yMin >> 8);
    header[10] = uint8_t(yMax & 0xFF);
    header[11] = uint8_t(yMax >> 8);
    for (int i = 0; i < 256; ++i) {
      palette[3 * i] = uint8_t(i);
      palette[3 * i + 1] = uint8_t(255 - i);
      palette[3 * i + 2] = uint8_t(i / 2);
    }
  }
  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> out = header;
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), palette.begin(), palette.end());
    return out;
  }
};

// Palette index of pixel p, recovered from the builder's palette (red = index).
int indexAt(const PackedImage& image, int p) { return image.pixels[4 * p]; }

bool decode(PackedImage& image, const std::vector<uint8_t>& bytes) {
  return image.decode(bytes.data(), bytes.size());
}

TEST(PackedImageDecode, RunLiteralAndEmptyRunRules) {
  FileBuilder file(1, 6, 0, 0);
  // 0xC3 0x05: three pixels of entry 5; 0xC0 0x07: nothing; 0xBF: one pixel of entry 191;
  // 0xC2 0xFE: two pixels of entry 254, only reachable through a run.
  file.data = {0xC3, 0x05, 0xC0, 0x07, 0xBF, 0xC2, 0xFE};
  PackedImage image;
  ASSERT_TRUE(decode(image, file.bytes())) << image.error;
  EXPECT_EQ(image.width, 6);
  EXPECT_EQ(image.height, 1);
  const int expected[] = {5, 5, 5, 191, 254, 254};
  for (int p = 0; p < 6; ++p) EXPECT_EQ(indexAt(image, p), expected[p]) << "pixel " << p;
}

TEST(PackedImageDecode, PixelTakesPaletteEntryWithAlphaRepeatingRed) {
  FileBuilder file(1, 1, 0, 0);
  file.palette[3 * 9] = 10;
  file.palette[3 * 9 + 1] = 20;
  file.palette[3 * 9 + 2] = 30;
  file.data = {0x09};
  PackedImage image;
  ASSERT_TRUE(decode(image, file.bytes()));
  EXPECT_EQ(std::vector<uint8_t>(image.pixels.get(), image.pixels.get() + 4),
            (std::vector<uint8_t>{10, 20, 30, 10}));
  ASSERT_TRUE(image.palette);
  EXPECT_EQ(image.palette[27], 10);
  EXPECT_EQ(image.palette[29], 30);
}

TEST(PackedImageDecode, SizeComesFromPlanesBytesPerLineAndRowRange) {
  FileBuilder file(1, 1024, 0, 575);
  for (int i = 0; i < 1024 * 576 / 63 + 1; ++i) {
    file.data.push_back(0xFF);
    file.data.push_back(0x01);
  }
  PackedImage image;
  ASSERT_TRUE(decode(image, file.bytes())) << image.error;
  EXPECT_EQ(image.width, 1024);
  EXPECT_EQ(image.height, 576);

  FileBuilder planes(3, 2, 10, 11);  // 3 x 2 = 6 wide, rows 10..11 = 2 high
  planes.data = {0xCC, 0x02};
  ASSERT_TRUE(decode(image, planes.bytes())) << image.error;
  EXPECT_EQ(image.width, 6);
  EXPECT_EQ(image.height, 2);
}

TEST(PackedImageDecode, RunsCrossRowEndsAndAreCutAtTheImageEnd) {
  FileBuilder file(1, 3, 0, 2);  // 3 x 3
  // A run of 4 spills one pixel into row 2, which continues from there; the last run of 60
  // would run far past the ninth pixel and is cut.
  file.data = {0xC4, 0x01, 0x02, 0xFC, 0x03, 0x04, 0x05};
  PackedImage image;
  ASSERT_TRUE(decode(image, file.bytes())) << image.error;
  const int expected[] = {1, 1, 1, 1, 2, 3, 3, 3, 3};
  for (int p = 0; p < 9; ++p) EXPECT_EQ(indexAt(image, p), expected[p]) << "pixel " << p;
}

TEST(PackedImageDecode, RowsStayInFileOrder) {
  FileBuilder file(1, 2, 0, 1);
  file.data = {0x01, 0x02, 0x03, 0x04};
  PackedImage image;
  ASSERT_TRUE(decode(image, file.bytes()));
  for (int p = 0; p < 4; ++p) EXPECT_EQ(indexAt(image, p), p + 1);
}

TEST(PackedImageDecode, MalformedFilesFailWithoutBuffers) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  FileBuilder good(1, 4, 0, 1);
  good.data = {0xC8, 0x07};
  {
    FileBuilder f = good;
    f.header[64] = 1;
    cases.push_back({"reserved byte set", f.bytes()});
  }
  {
    FileBuilder f = good;
    f.header[65] = 0;
    cases.push_back({"zero planes", f.bytes()});
  }
  {
    FileBuilder f(1, 4, 5, 4);
    f.data = good.data;
    cases.push_back({"yMax below yMin", f.bytes()});
  }
  {
    FileBuilder f = good;
    f.data = {0xC7, 0x07};
    cases.push_back({"data ends one pixel short", f.bytes()});
  }
  {
    FileBuilder f = good;
    f.data = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0xC1};
    cases.push_back({"data ends inside a run", f.bytes()});
  }
  {
    std::vector<uint8_t> bytes = good.bytes();
    bytes.resize(128 + 767);
    cases.push_back({"palette overlaps the header", bytes});
  }
  cases.push_back({"empty", {}});
  {
    FileBuilder f(255, 0xFFFF, 0, 0xFFFF);  // claims 16.7M x 65536 pixels
    f.data = {0xFF, 0x01};
    cases.push_back({"huge size claim", f.bytes()});
  }

  for (const Case& c : cases) {
    PackedImage image;
    ASSERT_TRUE(decode(image, good.bytes()));
    EXPECT_FALSE(image.decode(c.bytes.data(), c.bytes.size())) << c.what;
    EXPECT_EQ(image.pixels, nullptr) << c.what;
    EXPECT_EQ(image.palette, nullptr) << c.what;
    EXPECT_EQ(image.width, 0) << c.what;
    EXPECT_EQ(image.height, 0) << c.what;
    EXPECT_FALSE(image.error.empty()) << c.what;
  }
}

TEST(PackedImageDecode, EachReadHandsOutFreshBuffers) {
  FileBuilder file(1, 2, 0, 0);
  file.data = {0x01, 0x02};
  PackedImage image;
  ASSERT_TRUE(decode(image, file.bytes()));
  std::unique_ptr<uint8_t[]> kept = std::move(image.pixels);
  std::unique_ptr<uint8_t[]> keptPalette = std::move(image.palette);
  file.data = {0x03, 0x04};
  ASSERT_TRUE(decode(image, file.bytes()));
  EXPECT_NE(image.pixels.get(), kept.get());
  EXPECT_EQ(kept[0], 1);
  EXPECT_EQ(image.pixels[0], 3);
}

TEST(PackedImageEncode, RoundTripsEveryIndexAndRunLength) {
  const int32_t width = 301, height = 7;
  std::vector<uint8_t> indices(width * height);
  for (size_t i = 0; i < indices.size(); ++i) {
    // Long runs, runs longer than 63, single high indices and plain literals.
    indices[i] = (i % 150 < 100) ? uint8_t(i / 150 * 37) : uint8_t(i * 7);
  }
  std::vector<uint8_t> palette(768);
  for (int i = 0; i < 768; ++i) palette[i] = uint8_t(i * 13);
  const std::vector<uint8_t> file =
      encodePackedImage(indices.data(), width, height, palette.data());
  ASSERT_GT(file.size(), 128u + 768u);
  EXPECT_EQ(file[file.size() - 769], 0x0C);

  PackedImage image;
  ASSERT_TRUE(image.decode(file.data(), file.size())) << image.error;
  ASSERT_EQ(image.width, width);
  ASSERT_EQ(image.height, height);
  for (size_t i = 0; i < indices.size(); ++i) {
    const uint8_t* entry = &palette[3 * indices[i]];
    const uint8_t* px = &image.pixels[4 * i];
    ASSERT_EQ(px[0], entry[0]) << i;
    ASSERT_EQ(px[1], entry[1]) << i;
    ASSERT_EQ(px[2], entry[2]) << i;
    ASSERT_EQ(px[3], entry[0]) << i;
  }
}

TEST(PackedImageEncode, RefusesSizesTheHeaderCannotHold) {
  std::vector<uint8_t> indices(70000, 0), palette(768, 0);
  EXPECT_TRUE(encodePackedImage(indices.data(), 0, 1, palette.data()).empty());
  EXPECT_TRUE(encodePackedImage(indices.data(), 70000, 1, palette.data()).empty());
  EXPECT_TRUE(encodePackedImage(nullptr, 1, 1, palette.data()).empty());
}

TEST(PackedImageFile, BackslashPathsOpenOnThisSystem) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("nightloom_packed_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "Data");
  const uint8_t indices[4] = {1, 2, 3, 4};
  std::vector<uint8_t> palette(768, 0);
  palette[3] = 99;
  const std::vector<uint8_t> bytes = encodePackedImage(indices, 2, 2, palette.data());
  std::FILE* out = std::fopen((dir / "Data" / "pic.p").string().c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);

  PackedImage image;
  const std::string path = dir.string() + "\\Data\\pic.p";
  ASSERT_TRUE(image.loadPackedImage(path.c_str())) << image.error;
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.pixels[0], 99);

  const std::string missing = dir.string() + "\\Data\\none.p";
  EXPECT_FALSE(image.loadPackedImage(missing.c_str()));
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.palette, nullptr);
  EXPECT_EQ(image.width, 0);
  EXPECT_NE(image.error.find("none.p"), std::string::npos) << image.error;
  std::filesystem::remove_all(dir);
}

}  // namespace
