// SDL2's display modes as the launcher sees them. Any video driver must give a list that keeps the
// list's rules; on X (Xvfb in CI) the desktop's true-colour mode must appear as a 32-bit entry.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>

#include "launcher/display_query.h"

namespace {

class SdlDisplayQueryTest : public ::testing::Test {
 protected:
  void TearDown() override { SDL_Quit(); }
};

// Whatever video driver SDL starts (without a display, its offscreen driver lists no mode at all),
// the list holds 32-bit entries only, one per resolution. That a real desktop's mode is listed is
// the next test's.
TEST_F(SdlDisplayQueryTest, ListHoldsOne32BitEntryPerResolution) {
  std::vector<DisplayMode> modes = enumerateDisplayModes(sdlDisplayModeQuery());
  std::set<std::pair<int32_t, int32_t>> sizes;
  for (const DisplayMode& mode : modes) {
    EXPECT_EQ(mode.bitsPerPixel, 32u);
    EXPECT_GE(mode.refreshRate, 0);
    EXPECT_TRUE(sizes.insert({mode.width, mode.height}).second)
        << mode.width << "x" << mode.height << " twice";
  }
}

TEST_F(SdlDisplayQueryTest, TheXDesktopIsListedAs32Bits) {
  DisplayModeQuery query = sdlDisplayModeQuery();
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0) {
    GTEST_SKIP() << "SDL is not on X (driver " << (driver ? driver : "none")
                 << "): run under xvfb-run to check the desktop mode";
  }
  std::optional<DisplayMode> desktop = query.currentMode();
  ASSERT_TRUE(desktop.has_value());
  EXPECT_EQ(desktop->bitsPerPixel, 32u);  // Xvfb's 24-bit depth is stored in 4 bytes
  std::vector<DisplayMode> modes = enumerateDisplayModes(query);
  bool listed = false;
  for (const DisplayMode& mode : modes) {
    listed = listed || (mode.width == desktop->width && mode.height == desktop->height);
  }
  EXPECT_TRUE(listed) << desktop->width << "x" << desktop->height;
  EXPECT_EQ(detectDesktopAspect(query), aspectOfResolution(desktop->width, desktop->height));
}

}  // namespace
