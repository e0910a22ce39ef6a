// The command line: which options parse, which are refused with a clear sentence, and how the live
// options preset the setup dialog (or its Launch on the window path).
#include <gtest/gtest.h>

#include "app/launch_options.h"
#include "app/options.h"

namespace {
std::optional<Options> parse(std::vector<std::string> arguments, std::string& error) {
  return parseOptions(arguments, error);
}
}  // namespace

TEST(Options, NoOptionMeansTheDialog) {
  std::string error;
  const auto options = parse({}, error);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->mode, RunMode::Dialog);
}

TEST(Options, HelpAndVersionAnswerInsteadOfAnyShow) {
  std::string error;
  auto options = parse({"--version"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->mode, RunMode::Version);
  options = parse({"--window", "800x450", "--help"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->mode, RunMode::Help);
}

TEST(Options, CaptureModesTakeTheirArguments) {
  std::string error;
  auto options = parse({"--capture", "out.mp4", "--size", "1280x720", "--fps", "30"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->mode, RunMode::Capture);
  EXPECT_EQ(options->output, "out.mp4");
  EXPECT_EQ(options->width, 1280);
  EXPECT_EQ(options->height, 720);
  EXPECT_EQ(options->fps, 30);
  EXPECT_FALSE(options->reduceFlashing);

  options = parse({"--still", "17000", "title.png", "--reduce-flashing"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_TRUE(options->reduceFlashing);
  EXPECT_EQ(options->mode, RunMode::Still);
  EXPECT_EQ(options->stillMs, 17000u);
  EXPECT_EQ(options->output, "title.png");

  options = parse({"--window", "800x450", "--no-music"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->mode, RunMode::Window);
  EXPECT_FALSE(options->music);
}

TEST(Options, BadCommandLinesSayWhatIsWrong) {
  std::string error;
  EXPECT_FALSE(parse({"--size", "1920by1080"}, error));
  EXPECT_NE(error.find("WIDTHxHEIGHT"), std::string::npos);
  EXPECT_FALSE(parse({"--size", "0x0"}, error));
  EXPECT_FALSE(parse({"--size", "99999x100"}, error));
  EXPECT_FALSE(parse({"--fps", "0"}, error));
  EXPECT_FALSE(parse({"--fps", "sixty"}, error));
  EXPECT_FALSE(parse({"--capture"}, error));
  EXPECT_NE(error.find("needs a value"), std::string::npos);
  EXPECT_FALSE(parse({"--still", "90000", "x.png"}, error));
  EXPECT_FALSE(parse({"--capture", "a.mp4", "--frames", "dir"}, error));
  EXPECT_FALSE(parse({"--bogus"}, error));
  EXPECT_NE(error.find("--bogus"), std::string::npos);
}

TEST(Options, AFrameRateWithoutAnOffScreenModeIsRefused) {
  std::string error;
  EXPECT_FALSE(parse({"--fps", "30"}, error));
  EXPECT_EQ(error.rfind("--fps", 0), 0u) << error;
  EXPECT_FALSE(parse({"--window", "800x450", "--fps", "30"}, error));
  EXPECT_TRUE(parse({"--frames", "dir", "--fps", "30"}, error)) << error;
  EXPECT_TRUE(parse({"--fps", "30", "--bench"}, error)) << error;
}

TEST(Options, AQualityIsForACaptureOnly) {
  std::string error;
  const auto options = parse({"--capture", "show.mp4", "--crf", "16"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->crf, 16);
  EXPECT_EQ(parse({"--capture", "show.mp4"}, error)->crf, -1);
  EXPECT_FALSE(parse({"--capture", "show.mp4", "--crf", "52"}, error));
  EXPECT_NE(error.find("0 (lossless) to 51"), std::string::npos) << error;
  EXPECT_FALSE(parse({"--frames", "dir", "--crf", "16"}, error));
  EXPECT_EQ(error.rfind("--crf", 0), 0u) << error;
}

// Every live option reaches the dialog: its boxes and resolution open as the command line says.
TEST(LaunchOptions, TheDialogOpensWithTheCommandLinesChoices) {
  std::string error;
  const DisplayMode modes[] = {{1024, 768, 32, 60}, {1920, 1080, 32, 60}};
  SetupModel model({modes[0], modes[1]}, modes[1], 0, 3);
  model.setPreset(setupPresetOf(*parse({"--no-music", "--no-vsync", "--size", "1024x768"}, error)));
  const SetupControls controls = model.initialControls();
  EXPECT_FALSE(controls.music);
  EXPECT_FALSE(controls.vsync);
  EXPECT_TRUE(controls.fullscreen);
  EXPECT_EQ(controls.resolutionIndex, 0);
  EXPECT_TRUE(dialogTakesOptions(*parse({"--size", "1024x768"}, error), model, error));

  model.setPreset(setupPresetOf(*parse({}, error)));
  EXPECT_TRUE(model.initialControls().music);
  EXPECT_TRUE(model.initialControls().vsync);
  EXPECT_EQ(model.initialControls().resolutionIndex, 1);

  EXPECT_FALSE(dialogTakesOptions(*parse({"--size", "1000x500"}, error), model, error));
  EXPECT_EQ(error.rfind("--size 1000x500", 0), 0u) << error;
  EXPECT_NE(error.find("--window 1000x500"), std::string::npos) << error;
}

TEST(LaunchOptions, TheWindowPathTakesTheDialogsLaunch) {
  std::string error;
  const DisplayMode laptop{1366, 768, 32, 60};
  SetupModel model({laptop}, laptop, 0, 0);
  model.setPreset(setupPresetOf(*parse({"--window", "640x360", "--no-music"}, error)));
  LaunchSettings settings = model.launchWithoutDialog();
  EXPECT_EQ(settings.width, 640);
  EXPECT_EQ(settings.height, 360);
  EXPECT_FALSE(settings.fullscreen);
  EXPECT_FALSE(settings.musicEnabled);
  EXPECT_EQ(settings.aspect, 0);  // "Auto" on this desktop, letterboxed as 16:9 by the display

  model.setPreset(setupPresetOf(*parse({"--fullscreen", "--no-vsync"}, error)));
  settings = model.launchWithoutDialog();
  EXPECT_EQ(settings.width, 1366);
  EXPECT_TRUE(settings.fullscreen);
  EXPECT_FALSE(settings.vsync);
  EXPECT_TRUE(settings.musicEnabled);
}
