// The resolution list and the desktop aspect, built from mode lists the tests make up.
#include <gtest/gtest.h>

#include <vector>

#include "launcher/display_modes.h"
#include "support/mode_query.h"

namespace {

DisplayMode mode(int32_t width, int32_t height, uint32_t bits = 32, int32_t refresh = 60) {
  return DisplayMode{width, height, bits, refresh};
}

TEST(DisplayModeList, KeepsTheFirstModeOfEachResolutionInEnumerationOrder) {
  std::vector<DisplayMode> list = enumerateDisplayModes(
      queryOf({mode(1920, 1080, 32, 60), mode(1920, 1080, 32, 144), mode(800, 600, 32, 75),
               mode(1920, 1080, 32, 30), mode(1024, 768, 32, 0)},
              std::nullopt));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].width, 1920);
  EXPECT_EQ(list[0].height, 1080);
  EXPECT_EQ(list[0].refreshRate, 60);
  EXPECT_EQ(list[1].width, 800);
  EXPECT_EQ(list[2].width, 1024);
  EXPECT_EQ(list[2].refreshRate, 0);  // Xvfb reports no refresh rate; kept as it came
  for (const DisplayMode& kept : list) EXPECT_EQ(kept.bitsPerPixel, 32u);
}

TEST(DisplayModeList, LeavesOutModesThatAreNot32Bits) {
  std::vector<DisplayMode> list = enumerateDisplayModes(
      queryOf({mode(640, 480, 16), mode(1280, 720, 16), mode(1280, 720, 32, 50), mode(720, 400, 8),
               mode(1600, 900, 24)},
              std::nullopt));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].width, 1280);
  EXPECT_EQ(list[0].refreshRate, 50);  // the 16-bit mode before it does not count as the first
}

TEST(DisplayModeList, EmptyEnumerationOrNoQueryGivesAnEmptyList) {
  EXPECT_TRUE(enumerateDisplayModes(queryOf({}, mode(1920, 1080))).empty());
  EXPECT_TRUE(enumerateDisplayModes(DisplayModeQuery{}).empty());
}

TEST(DesktopAspect, RecognisesTheFourRatiosExactly) {
  struct Example {
    int32_t width, height, code;
  };
  const Example examples[] = {
      {1920, 1080, 3}, {1600, 900, 3}, {2560, 1440, 3}, {3840, 2160, 3}, {1680, 1050, 4},
      {1440, 900, 4},  {1280, 800, 4}, {1920, 1200, 4}, {1280, 1024, 2}, {1024, 768, 1},
      {800, 600, 1},   {1280, 960, 1}, {1366, 768, 0},  {1360, 768, 0},  {3440, 1440, 0},
      {1280, 720, 3},  {640, 480, 1},  {1000, 1000, 0}, {0, 0, 0},       {1920, 0, 0},
  };
  for (const Example& example : examples) {
    EXPECT_EQ(aspectOfResolution(example.width, example.height), example.code)
        << example.width << "x" << example.height;
  }
}

TEST(DesktopAspect, ComesFromTheCurrentModeAndIsZeroWhenTheQueryFails) {
  EXPECT_EQ(detectDesktopAspect(queryOf({}, mode(1680, 1050))), 4);
  EXPECT_EQ(detectDesktopAspect(queryOf({mode(1024, 768)}, std::nullopt)), 0);
  EXPECT_EQ(detectDesktopAspect(DisplayModeQuery{}), 0);
}

}  // namespace
