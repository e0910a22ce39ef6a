// The SDL2 window under an X display (Xvfb in CI, which offers one mode: the screen's size): full
// screen at a size the display lacks takes the closest mode and says so in one line naming both.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gfx/backends.h"

namespace {

std::string sizeLabel(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

class SdlWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display: run under xvfb-run";
    setenv("SDL_VIDEODRIVER", "x11", 1);
  }

  // Opens full screen at width x height; what was said on stderr, and the mode the display took.
  std::string openFullScreen(int width, int height, SDL_DisplayMode& used) {
    display = createSdlDisplay();
    DisplayRequest request;
    request.width = width;
    request.height = height;
    request.fullscreen = true;
    testing::internal::CaptureStderr();
    const bool created = display->create(request);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(created) << display->error();
    EXPECT_EQ(SDL_GetWindowDisplayMode(SDL_GL_GetCurrentWindow(), &used), 0) << SDL_GetError();
    return said;
  }

  void TearDown() override {
    if (display) display->destroy();
  }

  std::unique_ptr<Display> display;
};

TEST_F(SdlWindowTest, FullScreenOnAnotherModeNamesBoth) {
  SDL_DisplayMode used{};
  const std::string said = openFullScreen(320, 200, used);
  if (used.w == 320 && used.h == 200) GTEST_SKIP() << "this display offers 320x200 itself";
  EXPECT_EQ(said, "nightloom: the display has no 320x200 mode; full screen uses " +
                      sizeLabel(used.w, used.h) + " instead\n");
}

// SDL's video stays up from the desktop query to the window, as in the program (the setup dialog's
// mode list starts it and nothing quits it before the window opens).
TEST_F(SdlWindowTest, FullScreenOnTheDesktopModeSaysNothing) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
  SDL_DisplayMode desktop{};
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0) << SDL_GetError();
  SDL_DisplayMode used{};
  EXPECT_EQ(openFullScreen(desktop.w, desktop.h, used), "");
  EXPECT_EQ(used.w, desktop.w);
  EXPECT_EQ(used.h, desktop.h);
  display->destroy();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace
