// The setup dialog without a toolkit: what its lists hold, what it shows first, and how "Launch"
// turns the controls into settings. A view (GTK here, dialog template 101 on Windows) only copies
// the initial state into its controls and reads the controls back into SetupControls.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "launcher/display_modes.h"

struct DemoContext;

// Control identifiers of dialog template 101, and the dialog's results.
inline constexpr int kSetupCancelId = 2;  // Escape
inline constexpr int kSetupLaunchId = 1004;
inline constexpr int kSetupQuitId = 1005;
inline constexpr int kSetupResolutionId = 1006;
inline constexpr int kSetupAspectId = 1008;
inline constexpr int kSetupMultisamplingId = 1009;
inline constexpr int kSetupFullscreenId = 1011;
inline constexpr int kSetupVSyncId = 1012;
inline constexpr int kSetupMusicId = 1013;
inline constexpr int kSetupResultLaunch = 1004;
inline constexpr int kSetupResultQuit = -1;

// The state of the controls; -1 is "nothing selected".
struct SetupControls {
  int resolutionIndex = -1;
  std::string resolutionText;  // the combo box's edit field, which the user may type into
  int aspectIndex = -1;
  int multisamplingIndex = -1;
  bool fullscreen = false;
  bool vsync = false;
  bool music = false;
};

// Everything "Launch" writes into DemoContext at once. An aspect index outside the list leaves the
// record's aspect as it was, hence the optional.
struct LaunchSettings {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t bitsPerPixel = 0;
  std::optional<int32_t> aspect;
  int32_t sampleCount = 0;
  bool fullscreen = false;
  bool vsync = false;
  bool musicEnabled = false;
};

// What the command line sets before the dialog opens, or instead of it: each given field replaces
// that control's default.
struct SetupPreset {
  std::optional<std::pair<int32_t, int32_t>> resolution{};
  std::optional<bool> fullscreen{};
  std::optional<bool> vsync{};
  std::optional<bool> music{};
};

class SetupModel {
 public:
  // `desktop` is the current desktop mode (nothing when its query failed).
  SetupModel(std::vector<DisplayMode> modes, std::optional<DisplayMode> desktop,
             int32_t maxSampleCount, int32_t desktopAspect);
  // From the record's mode list, sample bound and desktop aspect.
  SetupModel(const DemoContext& context, std::optional<DisplayMode> desktop);

  // "%dx%d" per mode, in list order.
  const std::vector<std::string>& resolutionLabels() const { return resolutions; }
  // "Auto", "4:3", "5:4", "16:9", "16:10".
  const std::vector<std::string>& aspectLabels() const { return aspects; }
  // "None", then "2x", "4x", ... up to the sample bound.
  const std::vector<std::string>& multisamplingLabels() const { return sampleCounts; }

  // Replaces the defaults the dialog opens with (see initialControls).
  void setPreset(const SetupPreset& preset) { presets = preset; }
  // Whether the resolution list holds an entry of this size.
  bool offersResolution(int32_t width, int32_t height) const {
    return indexOfSize(width, height).has_value();
  }

  // The controls as the dialog opens: the desktop's entry (or nothing), "Auto", "None", every box
  // checked; then whatever the preset gives instead.
  SetupControls initialControls() const;
  // Launch needs a mode to copy, so it is offered only when the list has one.
  bool canLaunch() const { return !modes.empty(); }
  // The entry Launch copies: the selected one; with no selection the entry whose size is typed
  // as WIDTHxHEIGHT, else the desktop's, else the first. Nothing only for an empty list.
  std::optional<size_t> chosenModeIndex(const SetupControls& controls) const;
  // The settings of a Launch with these controls; nothing when there is no mode to copy.
  std::optional<LaunchSettings> launch(const SetupControls& controls) const;
  // The settings of a Launch with the opening controls, for a start that skips the dialog: the
  // same rule for every choice, but the size is the preset's (any size: a window need not match a
  // display mode), else the desktop's, else the chosen entry's, else 1280x720.
  LaunchSettings launchWithoutDialog() const;
  // What a command of the dialog (a button's identifier, or Escape's) does, for every view: the
  // result the dialog ends with, or nothing when it stays open. Launch reads the controls through
  // `readControls` and, when there is a mode to copy, fills `settings`.
  std::optional<int> command(int commandId, const std::function<SetupControls()>& readControls,
                             LaunchSettings& settings) const;

 private:
  std::optional<size_t> indexOfSize(int32_t width, int32_t height) const;
  // Everything Launch stores but the mode's size and depth.
  LaunchSettings choicesOf(const SetupControls& controls) const;

  std::vector<DisplayMode> modes;
  std::optional<DisplayMode> desktop;
  int32_t desktopAspect;
  std::vector<std::string> resolutions;
  std::vector<std::string> aspects;
  std::vector<std::string> sampleCounts;
  SetupPreset presets;
};

// Reads "WIDTHxHEIGHT" (spaces around it and a capital X allowed); nothing for anything else.
std::optional<std::pair<int32_t, int32_t>> parseResolutionLabel(std::string_view text);

// Writes every setting of a Launch into the record.
void storeLaunchSettings(const LaunchSettings& settings, DemoContext& context);
