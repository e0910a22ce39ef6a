// The setup dialog's cases that every view (GTK on Linux, Win32 on Windows) must play alike: the
// mode list its model is made over, and what Launch must store after each case.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "launcher/setup_model.h"

namespace setup_cases {

inline DisplayMode mode(int32_t width, int32_t height) { return DisplayMode{width, height, 32, 0}; }

// The list the dialog shows; the desktop is 1920x1080 (aspect 16:9) unless a case says otherwise.
inline const std::vector<DisplayMode> kModes = {mode(800, 600), mode(1024, 768), mode(1280, 1024),
                                                mode(1920, 1080)};

// Launch with nothing touched: the desktop's entry, its aspect, no samples, every box ticked.
inline void expectDefaultsLaunched(int result, const LaunchSettings& settings) {
  EXPECT_EQ(result, kSetupResultLaunch);
  EXPECT_EQ(settings.width, 1920);
  EXPECT_EQ(settings.height, 1080);
  EXPECT_EQ(settings.bitsPerPixel, 32u);
  EXPECT_EQ(settings.aspect, 3);
  EXPECT_EQ(settings.sampleCount, 0);
  EXPECT_TRUE(settings.fullscreen);
  EXPECT_TRUE(settings.vsync);
  EXPECT_TRUE(settings.musicEnabled);
}

// The user picked 5:4, unticked Fullscreen and Music, typed 1024x768 and pressed Enter.
inline void expectChangesLaunched(int result, const LaunchSettings& settings) {
  EXPECT_EQ(result, kSetupResultLaunch);
  EXPECT_EQ(settings.width, 1024);
  EXPECT_EQ(settings.height, 768);
  EXPECT_EQ(settings.aspect, 2);
  EXPECT_FALSE(settings.fullscreen);
  EXPECT_TRUE(settings.vsync);
  EXPECT_FALSE(settings.musicEnabled);
}

// "nightloom --no-music --no-vsync --size 1024x768", then Launch with nothing touched.
inline SetupPreset commandLinePreset() {
  return {.resolution = std::pair{1024, 768}, .vsync = false, .music = false};
}
inline void expectPresetLaunched(int result, const LaunchSettings& settings) {
  EXPECT_EQ(result, kSetupResultLaunch);
  EXPECT_EQ(settings.width, 1024);
  EXPECT_EQ(settings.height, 768);
  EXPECT_TRUE(settings.fullscreen);
  EXPECT_FALSE(settings.vsync);
  EXPECT_FALSE(settings.musicEnabled);
}

// Every one of `endings` (Quit, Escape, closing), played by `run` on a fresh settings record, ends
// the dialog with -1 and writes nothing.
template <typename Ending, typename Run>
void expectEachEndingQuits(const std::vector<Ending>& endings, Run run) {
  for (size_t i = 0; i < endings.size(); ++i) {
    LaunchSettings settings;
    settings.width = 7;
    EXPECT_EQ(run(settings, endings[i]), kSetupResultQuit) << "ending " << i;
    EXPECT_EQ(settings.width, 7) << "ending " << i;
    EXPECT_FALSE(settings.aspect.has_value()) << "ending " << i;
  }
}

}  // namespace setup_cases
