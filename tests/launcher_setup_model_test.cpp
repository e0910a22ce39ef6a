// The setup dialog's model: its lists and defaults, what Launch stores, and Launch without a
// selected resolution.
#include <gtest/gtest.h>

#include <vector>

#include "launcher/demo_context.h"
#include "launcher/setup_model.h"

namespace {

DisplayMode mode(int32_t width, int32_t height) { return DisplayMode{width, height, 32, 60}; }

const std::vector<DisplayMode> kModes = {mode(800, 600), mode(1024, 768), mode(1920, 1080),
                                         mode(1366, 768)};

TEST(SetupModel, FillsTheListsInTemplateOrder) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  EXPECT_EQ(model.resolutionLabels(),
            (std::vector<std::string>{"800x600", "1024x768", "1920x1080", "1366x768"}));
  EXPECT_EQ(model.aspectLabels(),
            (std::vector<std::string>{"Auto", "4:3", "5:4", "16:9", "16:10"}));
  EXPECT_EQ(model.multisamplingLabels(), (std::vector<std::string>{"None"}));
  EXPECT_EQ(SetupModel(kModes, std::nullopt, 8, 0).multisamplingLabels(),
            (std::vector<std::string>{"None", "2x", "4x", "8x"}));
  EXPECT_EQ(SetupModel(kModes, std::nullopt, 12, 0).multisamplingLabels().size(), 4u);
}

TEST(SetupModel, OpensWithTheDesktopEntryAutoNoneAndEveryBoxChecked) {
  SetupControls controls = SetupModel(kModes, mode(1920, 1080), 0, 3).initialControls();
  EXPECT_EQ(controls.resolutionIndex, 2);
  EXPECT_EQ(controls.resolutionText, "1920x1080");
  EXPECT_EQ(controls.aspectIndex, 0);
  EXPECT_EQ(controls.multisamplingIndex, 0);
  EXPECT_TRUE(controls.fullscreen);
  EXPECT_TRUE(controls.vsync);
  EXPECT_TRUE(controls.music);
  // A desktop size that is not in the list selects nothing.
  EXPECT_EQ(SetupModel(kModes, mode(2560, 1440), 0, 3).initialControls().resolutionIndex, -1);
  EXPECT_EQ(SetupModel(kModes, std::nullopt, 0, 0).initialControls().resolutionIndex, -1);
}

TEST(SetupModel, LaunchWithEveryDefaultStoresTheDesktopModeAndAspect) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  std::optional<LaunchSettings> settings = model.launch(model.initialControls());
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->width, 1920);
  EXPECT_EQ(settings->height, 1080);
  EXPECT_EQ(settings->bitsPerPixel, 32u);
  EXPECT_EQ(settings->aspect, 3);
  EXPECT_EQ(settings->sampleCount, 0);
  EXPECT_TRUE(settings->fullscreen);
  EXPECT_TRUE(settings->vsync);
  EXPECT_TRUE(settings->musicEnabled);
  // "Auto" on a desktop of no known ratio stores 0.
  SetupModel odd(kModes, mode(1366, 768), 0, 0);
  EXPECT_EQ(odd.launch(odd.initialControls())->aspect, 0);
}

TEST(SetupModel, LaunchReadsTheAspectAndSamplesByIndexAndTheBoxes) {
  SetupModel model(kModes, mode(1920, 1080), 16, 3);
  SetupControls controls = model.initialControls();
  controls.resolutionIndex = 0;
  controls.multisamplingIndex = 3;
  controls.fullscreen = false;
  controls.music = false;
  for (int index = 1; index <= 4; ++index) {
    controls.aspectIndex = index;
    EXPECT_EQ(model.launch(controls)->aspect, index);  // 4:3, 5:4, 16:9, 16:10 are codes 1 to 4
  }
  controls.aspectIndex = -1;
  std::optional<LaunchSettings> settings = model.launch(controls);
  EXPECT_FALSE(settings->aspect.has_value());  // no selection leaves the aspect as it was
  EXPECT_EQ(settings->width, 800);
  EXPECT_EQ(settings->sampleCount, 8);
  EXPECT_FALSE(settings->fullscreen);
  EXPECT_TRUE(settings->vsync);
  EXPECT_FALSE(settings->musicEnabled);
  controls.multisamplingIndex = 9;  // out of the list: like "None"
  EXPECT_EQ(model.launch(controls)->sampleCount, 0);
}

TEST(SetupModel, LaunchWithoutASelectionNeverLeavesTheList) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  SetupControls controls = model.initialControls();
  controls.resolutionIndex = -1;
  controls.resolutionText = " 1024X768 ";  // typed: the matching entry
  EXPECT_EQ(model.chosenModeIndex(controls), 1u);
  controls.resolutionText = "1280x720";  // no such entry: the desktop's
  EXPECT_EQ(model.chosenModeIndex(controls), 2u);
  controls.resolutionText = "big";
  EXPECT_EQ(model.chosenModeIndex(controls), 2u);
  controls.resolutionIndex = 17;  // a stale index past the end is no selection either
  EXPECT_EQ(model.chosenModeIndex(controls), 2u);
  SetupModel away(kModes, mode(2560, 1440), 0, 3);  // desktop not listed: the first
  EXPECT_EQ(away.chosenModeIndex(away.initialControls()), 0u);
  EXPECT_EQ(away.launch(away.initialControls())->width, 800);
}

TEST(SetupModel, AnEmptyListCannotLaunch) {
  SetupModel model({}, mode(1920, 1080), 0, 3);
  EXPECT_FALSE(model.canLaunch());
  SetupControls controls = model.initialControls();
  EXPECT_EQ(controls.resolutionIndex, -1);
  controls.resolutionText = "1920x1080";
  EXPECT_FALSE(model.launch(controls).has_value());
  EXPECT_TRUE(SetupModel(kModes, std::nullopt, 0, 0).canLaunch());
}

TEST(SetupModel, APresetReplacesTheDefaultsTheDialogOpensWith) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  model.setPreset({.resolution = std::pair{1024, 768}, .vsync = false, .music = false});
  const SetupControls controls = model.initialControls();
  EXPECT_EQ(controls.resolutionIndex, 1);
  EXPECT_EQ(controls.resolutionText, "1024x768");
  EXPECT_EQ(controls.aspectIndex, 0);
  EXPECT_TRUE(controls.fullscreen);
  EXPECT_FALSE(controls.vsync);
  EXPECT_FALSE(controls.music);
  EXPECT_TRUE(model.offersResolution(1366, 768));
  EXPECT_FALSE(model.offersResolution(1000, 500));
}

// The window path takes the dialog's Launch with its opening controls, so it stores what "Launch"
// would: "Auto" on a 1366x768 desktop is aspect 0 there too. Only the size may be any size.
TEST(SetupModel, LaunchWithoutTheDialogFollowsTheDialogsRule) {
  SetupModel laptop(kModes, mode(1366, 768), 0, 0);
  const LaunchSettings plain = laptop.launchWithoutDialog();
  const LaunchSettings launched = *laptop.launch(laptop.initialControls());
  EXPECT_EQ(plain.width, launched.width);
  EXPECT_EQ(plain.height, launched.height);
  EXPECT_EQ(plain.aspect, 0);
  EXPECT_EQ(plain.bitsPerPixel, 32u);
  EXPECT_TRUE(plain.fullscreen);

  // A window needs no display mode of its size.
  laptop.setPreset({.resolution = std::pair{800, 450}, .fullscreen = false, .music = false});
  const LaunchSettings windowed = laptop.launchWithoutDialog();
  EXPECT_EQ(windowed.width, 800);
  EXPECT_EQ(windowed.height, 450);
  EXPECT_FALSE(windowed.fullscreen);
  EXPECT_TRUE(windowed.vsync);
  EXPECT_FALSE(windowed.musicEnabled);
  EXPECT_EQ(windowed.aspect, 0);

  EXPECT_EQ(SetupModel({}, std::nullopt, 0, 0).launchWithoutDialog().width, 1280);
  EXPECT_EQ(SetupModel({}, mode(2560, 1080), 0, 0).launchWithoutDialog().width, 2560);
  EXPECT_EQ(SetupModel(kModes, std::nullopt, 0, 0).launchWithoutDialog().width, 800);
}

// Storing a Launch writes every setting into the record; an aspect list left without a selection
// leaves the record's aspect as it was.
TEST(SetupModel, StoringALaunchKeepsTheAspectWhenNoneWasChosen) {
  SetupModel model(kModes, mode(1366, 768), 0, 0);
  SetupControls controls = model.initialControls();
  controls.vsync = false;
  DemoContext context;
  context.aspect = kAspect16x10;
  storeLaunchSettings(*model.launch(controls), context);
  EXPECT_EQ(context.width, 1366);
  EXPECT_EQ(context.bitsPerPixel, 32u);
  EXPECT_EQ(context.aspect, kAspectNone);  // "Auto" on a desktop of no known ratio
  EXPECT_EQ(context.vsync, 0);
  EXPECT_EQ(context.musicEnabled, 1);
  controls.aspectIndex = -1;
  context.aspect = kAspect16x10;
  storeLaunchSettings(*model.launch(controls), context);
  EXPECT_EQ(context.aspect, kAspect16x10);
}

TEST(ResolutionLabel, ParsesOnlyWidthByHeight) {
  EXPECT_EQ(parseResolutionLabel("1920x1080"), (std::pair<int32_t, int32_t>{1920, 1080}));
  EXPECT_EQ(parseResolutionLabel("\t640X480 "), (std::pair<int32_t, int32_t>{640, 480}));
  for (const char* bad : {"", "x", "1920", "1920x", "x1080", "0x0", "-1x5", "19 20x1080",
                          "1920x1080x32", "1920x1080@60", "99999999999x1"}) {
    EXPECT_FALSE(parseResolutionLabel(bad).has_value()) << bad;
  }
}

}  // namespace
