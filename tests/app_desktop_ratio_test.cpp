// "Auto" on a desktop whose ratio is none of the four the dialog knows (1366x768, the commonest
// laptop screen among them), through the real path: the dialog's model with every default, then
// the show on the headless context at the desktop's size. The picture is still composed in the
// 16:9 band under the show's perspective, the same as a 16:9 choice gives, and at 73 s the credits
// roll is on screen.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "app/frame_loop.h"
#include "app/scene_params.h"
#include "app/show.h"
#include "app/timeline.h"
#include "audio/spectrum.h"
#include "gfx/backends.h"
#include "gfx/gl.h"
#include "launcher/demo_context.h"
#include "launcher/setup_model.h"
#include "support/headless_gl.h"
#include "support/mode_query.h"

namespace {

constexpr int kDesktopWidth = 1366;
constexpr int kDesktopHeight = 768;
constexpr uint32_t kLookMs = 73000;

DisplayModeQuery laptopDisplay() {
  return queryOf(
      {{1366, 768, 32, 60}, {1360, 768, 32, 60}, {1280, 720, 32, 60}, {1024, 768, 32, 60}},
      DisplayMode{1366, 768, 32, 60});
}

// A few frames up to 73 s, the roll given time to turn and settle; the frame at 73 s is read back
// (rows bottom-up) and the loop stops before the next.
class LookAtPlatform final : public FramePlatform {
 public:
  uint32_t ticks() override { return kTimes[index]; }
  void pumpEvents(uint8_t*, FrameEvents&) override {}
  bool stopRequested() override { return ticks() > kLookMs; }
  void render(DemoContext& context) override { renderTimeline(context); }
  void present() override {
    if (ticks() == kLookMs) {
      glReadBuffer(GL_BACK);
      picture = readRGBA(0, 0, kDesktopWidth, kDesktopHeight);
    }
    ++index;
  }
  std::vector<uint8_t> picture;

 private:
  static constexpr uint32_t kTimes[] = {0,     1000,  3500,  68000,   69000,
                                        70000, 71000, 72000, kLookMs, kLookMs + 1};
  size_t index = 0;
};

struct Look {
  int viewport[4] = {};
  float projection[16] = {};
  std::vector<uint8_t> picture;
  std::string error;
};

// Starts the show with the record's settings at the desktop's size and plays it up to 73 s.
Look playTo73s(DemoContext& context) {
  sceneParams = SceneParams{};
  spectrumAnalyzer = SpectrumAnalyzer{};
  context.music.output = AudioOutput::Driven;  // beats on demo time, no sound card needed
  Look look;
  std::unique_ptr<Display> display = createHeadlessDisplay();
  Show show(context);
  if (!show.start(*display)) {
    look.error = show.error();
    return look;
  }
  pinGraphicsDriver();
  glGetIntegerv(GL_VIEWPORT, look.viewport);
  glGetFloatv(GL_PROJECTION_MATRIX, look.projection);
  LookAtPlatform platform;
  show.play(platform);
  show.stop();
  look.picture = std::move(platform.picture);
  return look;
}

// Share of pixels darker than mid-grey over rows [top, bottom) counted from the picture's top.
double darkShare(const std::vector<uint8_t>& rgba, double top, double bottom) {
  const int firstRow = static_cast<int>(kDesktopHeight * (1 - bottom));
  const int endRow = static_cast<int>(kDesktopHeight * (1 - top));
  int dark = 0;
  for (int y = firstRow; y < endRow; ++y) {
    for (int x = 0; x < kDesktopWidth; ++x) {
      const uint8_t* p = &rgba[(static_cast<size_t>(y) * kDesktopWidth + x) * 4];
      dark += (p[0] + p[1] + p[2]) / 3 < 100;
    }
  }
  return static_cast<double>(dark) / ((endRow - firstRow) * kDesktopWidth);
}

TEST(DesktopOfNoKnownRatio, AutoLetterboxesAsSixteenByNineAndShowsTheCreditsRoll) {
  DemoContext context;
  const DisplayModeQuery query = laptopDisplay();
  context.initDisplayModes(query);
  ASSERT_EQ(context.desktopAspect, kAspectNone);
  const SetupModel model(context, query.currentMode());
  const std::optional<LaunchSettings> launched = model.launch(model.initialControls());
  ASSERT_TRUE(launched);
  storeLaunchSettings(*launched, context);
  ASSERT_EQ(context.width, kDesktopWidth);
  ASSERT_EQ(context.aspect, kAspectNone);
  const Look autoLook = playTo73s(context);
  ASSERT_TRUE(autoLook.error.empty()) << autoLook.error;

  // The 16:9 band inside 1366x768, under gluPerspective(93.1, 1365 / 768, 0.1, 10000).
  EXPECT_EQ(autoLook.viewport[0], 0);
  EXPECT_EQ(autoLook.viewport[1], 0);
  EXPECT_EQ(autoLook.viewport[2], 1365);
  EXPECT_EQ(autoLook.viewport[3], 768);
  const double f = 1.0 / std::tan(93.1 / 2 * M_PI / 180);
  EXPECT_NEAR(autoLook.projection[5], f, 1e-4);
  EXPECT_NEAR(autoLook.projection[0], f / (1365.0 / 768.0), 1e-4);
  EXPECT_EQ(autoLook.projection[11], -1.0f);
  EXPECT_EQ(autoLook.projection[15], 0.0f);

  // The roll fills the upper part of the picture with lettering; the closing message lies below.
  ASSERT_EQ(autoLook.picture.size(), static_cast<size_t>(kDesktopWidth) * kDesktopHeight * 4);
  const double rollInk = darkShare(autoLook.picture, 0.07, 0.75);
  EXPECT_GT(rollInk, 0.008);
  keepTestPicture("desktop_ratio_73s.png", autoLook.picture, kDesktopWidth, kDesktopHeight);

  // And the frame is the one a 16:9 choice gives on the same screen.
  DemoContext chosen;
  chosen.initDisplayModes(query);
  SetupControls controls = model.initialControls();
  controls.aspectIndex = kAspect16x9;
  storeLaunchSettings(*model.launch(controls), chosen);
  ASSERT_EQ(chosen.aspect, kAspect16x9);
  const Look chosenLook = playTo73s(chosen);
  ASSERT_TRUE(chosenLook.error.empty()) << chosenLook.error;
  EXPECT_TRUE(autoLook.picture == chosenLook.picture);
}

}  // namespace
