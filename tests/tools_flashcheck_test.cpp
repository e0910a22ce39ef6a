// The flash analyser on synthetic frames: what the thresholds of WCAG 2.3.1 fail and pass (flash
// rate, area, slow change, saturated red), the same count at any frame rate, the 10-degree field
// at the sizes the show is rendered at, and a folder of PNG frames read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "capture/png_file.h"
#include "tools/flashcheck/flash_analysis.h"
#include "tools/flashcheck/frame_source.h"

namespace {

constexpr int kWidth = 160;  // cells of one pixel; a 40x30 field, flashes count over 300 px
constexpr int kHeight = 90;

struct Rgb {
  uint8_t r, g, b;
};
constexpr Rgb kBlack = {0, 0, 0};
constexpr Rgb kWhite = {255, 255, 255};
constexpr Rgb kRed = {255, 0, 0};
constexpr Rgb kGreyAsLightAsRed = {127, 127, 127};  // relative luminance 0.212 against red's 0.213

// The colour of pixel (x, y) in frame i.
using Picture = std::function<Rgb(int i, int x, int y)>;

FlashAnalyzer analyse(const Picture& picture, double seconds, int fps) {
  FlashAnalyzer analyzer(kWidth, kHeight, fps);
  std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
  for (int i = 0; i < static_cast<int>(seconds * fps); ++i) {
    uint8_t* out = rgb.data();
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x, out += 3) {
        const Rgb c = picture(i, x, y);
        out[0] = c.r;
        out[1] = c.g;
        out[2] = c.b;
      }
    }
    analyzer.addFrame(rgb.data());
  }
  return analyzer;
}

// Two colours swapped `hz` times a second over a square of `side` pixels at the top left (the
// whole frame for 0).
Picture toggling(Rgb a, Rgb b, int hz, int fps, int side = 0) {
  return [=](int i, int x, int y) {
    const bool inside = side == 0 || (x < side && y < side);
    const bool second = (i * 2 * hz / fps) % 2 == 1;
    return inside && second ? b : a;
  };
}

TEST(FlashcheckRules, FullFrameToggleFailsAtFiveHertzAndPassesAtTwo) {
  const FlashAnalyzer five = analyse(toggling(kBlack, kWhite, 5, 30), 3, 30);
  EXPECT_EQ(five.general().worst.transitions, 10);
  EXPECT_FALSE(five.general().passes());
  ASSERT_EQ(five.general().failing.size(), 1u);
  EXPECT_NEAR(five.general().worst.coverage, 1.0, 1e-9);

  const FlashAnalyzer two = analyse(toggling(kBlack, kWhite, 2, 30), 3, 30);
  EXPECT_EQ(two.general().worst.transitions, 4);
  EXPECT_TRUE(two.general().passes());
  EXPECT_TRUE(two.general().failing.empty());
}

TEST(FlashcheckRules, CountIsTheSameAtAnyFrameRate) {
  for (int fps : {24, 60, 144}) {
    const FlashAnalyzer five = analyse(toggling(kBlack, kWhite, 5, fps), 2, fps);
    EXPECT_EQ(five.general().worst.transitions, 10) << fps << " fps";
  }
}

TEST(FlashcheckRules, OnlyAFlashOverAQuarterOfTheFieldCounts) {
  // 10 x 10 = 100 px and 20 x 20 = 400 px against a limit of 300 px.
  const FlashAnalyzer small = analyse(toggling(kBlack, kWhite, 10, 60, 10), 2, 60);
  EXPECT_EQ(small.general().worst.transitions, 0);
  EXPECT_TRUE(small.general().passes());
  const FlashAnalyzer large = analyse(toggling(kBlack, kWhite, 10, 60, 20), 2, 60);
  EXPECT_EQ(large.general().worst.transitions, 20);
  EXPECT_EQ(large.general().worst.fieldX, 0);
  EXPECT_EQ(large.general().worst.fieldY, 0);
}

TEST(FlashcheckRules, SlowFadeAndBrightChangesPass) {
  const Picture fade = [](int i, int, int) {
    const auto level = static_cast<uint8_t>(i * 255 / 89);  // black to white over 3 s
    return Rgb{level, level, level};
  };
  const FlashAnalyzer faded = analyse(fade, 3, 30);
  EXPECT_EQ(faded.general().worst.transitions, 1);
  EXPECT_TRUE(faded.general().passes());
  // Both states at 0.8 or lighter: no flash however fast.
  const FlashAnalyzer bright = analyse(toggling({235, 235, 235}, kWhite, 10, 60), 2, 60);
  EXPECT_EQ(bright.general().worst.transitions, 0);
}

TEST(FlashcheckRules, SaturatedRedFailsTheRedRuleEvenWithoutALuminanceFlash) {
  const FlashAnalyzer onBlack = analyse(toggling(kBlack, kRed, 5, 30), 2, 30);
  EXPECT_EQ(onBlack.red().worst.transitions, 10);
  EXPECT_FALSE(onBlack.red().passes());

  const FlashAnalyzer onGrey = analyse(toggling(kGreyAsLightAsRed, kRed, 5, 30), 2, 30);
  EXPECT_TRUE(onGrey.general().passes());
  EXPECT_EQ(onGrey.general().worst.transitions, 0);
  EXPECT_FALSE(onGrey.red().passes());

  // Amber is not a saturated red: R / (R + G + B) stays under 0.8.
  const FlashAnalyzer amber = analyse(toggling(kBlack, {255, 180, 0}, 5, 30), 2, 30);
  EXPECT_EQ(amber.red().worst.transitions, 0);
}

TEST(FlashcheckGeometry, FieldScalesWithTheFrameHeight) {
  const FlashGeometry reference = FlashGeometry::of(1024, 768);
  EXPECT_EQ(reference.fieldWidth, 340);
  EXPECT_EQ(reference.fieldHeight, 256);
  const FlashGeometry small = FlashGeometry::of(320, 180);
  EXPECT_EQ(small.cellSize, 1);
  EXPECT_EQ(small.fieldWidth, 80);
  EXPECT_EQ(small.fieldHeight, 60);
  EXPECT_DOUBLE_EQ(small.areaLimit, 1200.0);
  // A four times larger frame: four times the cell, the same share of the picture.
  const FlashGeometry large = FlashGeometry::of(1280, 720);
  EXPECT_EQ(large.cellSize, 4);
  EXPECT_EQ(large.fieldColumns, small.fieldColumns);
  EXPECT_EQ(large.fieldRows, small.fieldRows);
  EXPECT_DOUBLE_EQ(large.areaLimit, 16 * small.areaLimit);
}

TEST(FlashcheckFrames, FolderIsReadInNameOrder) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("flashcheck_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(folder);
  std::string error;
  for (int i = 0; i < 2; ++i) {
    const std::vector<uint8_t> pixels(4 * 2 * 3, i == 0 ? 0 : 255);
    const std::string name = (folder / ("frame_0000" + std::to_string(i) + ".png")).string();
    ASSERT_TRUE(writePngFile(name, pixels.data(), 4, 2, 3, error)) << error;
  }
  std::unique_ptr<FrameSource> source = openFrameFolder(folder.string(), 30, error);
  ASSERT_TRUE(source) << error;
  EXPECT_EQ(source->width, 4);
  EXPECT_EQ(source->height, 2);
  std::vector<uint8_t> rgb;
  std::vector<uint8_t> firstPixels;
  while (source->next(rgb)) firstPixels.push_back(rgb[0]);
  EXPECT_EQ(firstPixels, (std::vector<uint8_t>{0, 255}));
  EXPECT_TRUE(source->error().empty());
  std::filesystem::remove_all(folder);
  EXPECT_FALSE(openFrameFolder(folder.string(), 30, error));
}

}  // namespace
