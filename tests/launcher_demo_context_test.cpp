// The record's side of the launcher: the mode list and desktop aspect it is built with, and the
// settings a Launch writes into it.
#include <gtest/gtest.h>

#include <vector>

#include "launcher/demo_context.h"
#include "launcher/setup_model.h"

namespace {

DisplayModeQuery queryOf(std::vector<DisplayMode> modes, std::optional<DisplayMode> desktop) {
  return DisplayModeQuery{[modes](int index) -> std::optional<DisplayMode> {
                            if (index < 0 || static_cast<size_t>(index) >= modes.size())
                              return std::nullopt;
                            return modes[static_cast<size_t>(index)];
                          },
                          [desktop] { return desktop; }};
}

TEST(DemoContextDisplayModes, EnumeratesThenDetectsTheDesktopAspect) {
  DemoContext context;
  context.initDisplayModes(queryOf(
      {{1280, 1024, 32, 60}, {1280, 1024, 32, 75}, {1280, 1024, 16, 60}, {1024, 768, 32, 60}},
      DisplayMode{1280, 1024, 32, 60}));
  ASSERT_EQ(context.displayModes.size(), 2u);
  EXPECT_EQ(context.displayModes[0].refreshRate, 60);
  EXPECT_EQ(context.desktopAspect, kAspect5x4);
  EXPECT_EQ(context.maxSampleCount, 0);

  DemoContext failed;
  failed.initDisplayModes(DisplayModeQuery{});
  EXPECT_TRUE(failed.displayModes.empty());
  EXPECT_EQ(failed.desktopAspect, kAspectNone);
}

TEST(DemoContextDisplayModes, LaunchWritesEverySettingAndOnlyThose) {
  DemoContext context;
  context.initDisplayModes(
      queryOf({{1366, 768, 32, 60}, {1920, 1080, 32, 60}}, DisplayMode{1366, 768, 32, 60}));
  SetupModel model(context, DisplayMode{1366, 768, 32, 60});
  EXPECT_EQ(model.multisamplingLabels().size(), 1u);  // maxSampleCount 0: "None" only
  context.aspect = kAspect16x10;
  storeLaunchSettings(*model.launch(model.initialControls()), context);
  EXPECT_EQ(context.width, 1366);
  EXPECT_EQ(context.height, 768);
  EXPECT_EQ(context.bitsPerPixel, 32u);
  EXPECT_EQ(context.aspect, kAspectNone);  // "Auto" on a desktop of no known ratio
  EXPECT_EQ(context.sampleCount, 0);
  EXPECT_EQ(context.fullscreen, 1);
  EXPECT_EQ(context.vsync, 1);
  EXPECT_EQ(context.musicEnabled, 1);

  SetupControls controls = model.initialControls();
  controls.aspectIndex = -1;
  controls.vsync = false;
  context.aspect = kAspect16x10;
  storeLaunchSettings(*model.launch(controls), context);
  EXPECT_EQ(context.aspect, kAspect16x10);  // unchanged by an aspect list without a selection
  EXPECT_EQ(context.vsync, 0);
  EXPECT_EQ(context.ms, 0u);
  EXPECT_EQ(context.musicStarted, 0);
}

}  // namespace
