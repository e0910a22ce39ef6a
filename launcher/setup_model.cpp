// The setup dialog's lists, defaults and Launch, independent of the toolkit that shows them.
#include "launcher/setup_model.h"

#include <charconv>
#include <cstdio>
#include <tuple>

#include "launcher/demo_context.h"

namespace {

// Labels are far shorter than this; the buffer only bounds the formatting.
constexpr size_t kLabelCapacity = 255;

// The window size when neither a mode list nor the desktop's mode is known.
constexpr int32_t kFallbackWidth = 1280;
constexpr int32_t kFallbackHeight = 720;

std::string formatSizeLabel(int32_t width, int32_t height) {
  char buffer[kLabelCapacity];
  std::snprintf(buffer, sizeof buffer, "%dx%d", width, height);
  return buffer;
}

std::string formatSampleLabel(int32_t count) {
  char buffer[kLabelCapacity];
  std::snprintf(buffer, sizeof buffer, "%dx", count);
  return buffer;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::optional<int32_t> parsePositive(std::string_view digits) {
  int32_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || value <= 0) {
    return std::nullopt;
  }
  return value;
}

bool inRange(int index, size_t count) { return index >= 0 && static_cast<size_t>(index) < count; }

}  // namespace

std::optional<std::pair<int32_t, int32_t>> parseResolutionLabel(std::string_view text) {
  text = trimmed(text);
  size_t separator = text.find_first_of("xX");
  if (separator == std::string_view::npos) return std::nullopt;
  std::optional<int32_t> width = parsePositive(text.substr(0, separator));
  std::optional<int32_t> height = parsePositive(text.substr(separator + 1));
  if (!width || !height) return std::nullopt;
  return std::pair{*width, *height};
}

SetupModel::SetupModel(std::vector<DisplayMode> modeList, std::optional<DisplayMode> desktopMode,
                       int32_t maxSampleCount, int32_t desktopAspectCode)
    : modes(std::move(modeList)),
      desktop(desktopMode),
      desktopAspect(desktopAspectCode),
      aspects{"Auto", "4:3", "5:4", "16:9", "16:10"},
      sampleCounts{"None"} {
  for (const DisplayMode& mode : modes) {
    resolutions.push_back(formatSizeLabel(mode.width, mode.height));
  }
  for (int64_t count = 2; count <= maxSampleCount; count *= 2) {
    sampleCounts.push_back(formatSampleLabel(static_cast<int32_t>(count)));
  }
}

SetupModel::SetupModel(const DemoContext& context, std::optional<DisplayMode> desktopMode)
    : SetupModel(context.displayModes, desktopMode, context.maxSampleCount, context.desktopAspect) {
}

std::optional<size_t> SetupModel::indexOfSize(int32_t width, int32_t height) const {
  for (size_t i = 0; i < modes.size(); ++i) {
    if (modes[i].width == width && modes[i].height == height) return i;
  }
  return std::nullopt;
}

SetupControls SetupModel::initialControls() const {
  SetupControls controls;
  if (desktop) {
    std::optional<size_t> index = indexOfSize(desktop->width, desktop->height);
    if (index) {
      controls.resolutionIndex = static_cast<int>(*index);
      controls.resolutionText = resolutions[*index];
    }
  }
  controls.aspectIndex = 0;
  controls.multisamplingIndex = 0;
  controls.fullscreen = presets.fullscreen.value_or(true);
  controls.vsync = presets.vsync.value_or(true);
  controls.music = presets.music.value_or(true);
  // A preset size that the list lacks stands typed in the field with no entry selected, as if
  // the user had typed it; Launch then treats it as typed text.
  if (presets.resolution) {
    const auto [width, height] = *presets.resolution;
    std::optional<size_t> index = indexOfSize(width, height);
    controls.resolutionIndex = index ? static_cast<int>(*index) : -1;
    controls.resolutionText = formatSizeLabel(width, height);
  }
  return controls;
}

// Launch never reads outside the list: the selected entry, else the typed text when the list holds
// that size, else the desktop's mode, else the first entry; nothing only for an empty list.
std::optional<size_t> SetupModel::chosenModeIndex(const SetupControls& controls) const {
  if (modes.empty()) return std::nullopt;
  if (inRange(controls.resolutionIndex, modes.size())) {
    return static_cast<size_t>(controls.resolutionIndex);
  }
  if (auto typed = parseResolutionLabel(controls.resolutionText)) {
    if (auto index = indexOfSize(typed->first, typed->second)) return index;
  }
  if (desktop) {
    if (auto index = indexOfSize(desktop->width, desktop->height)) return index;
  }
  return 0;
}

std::optional<LaunchSettings> SetupModel::launch(const SetupControls& controls) const {
  std::optional<size_t> index = chosenModeIndex(controls);
  if (!index) return std::nullopt;
  const DisplayMode& mode = modes[*index];
  LaunchSettings settings = choicesOf(controls);
  settings.width = mode.width;
  settings.height = mode.height;
  settings.bitsPerPixel = mode.bitsPerPixel;
  return settings;
}

// The window path has no list to choose from: a --window size is taken as given (a window may have
// any size), else the desktop's, else a listed mode, else a size that fits most screens. The mode
// list holds only 32-bit modes, so every path asks for 32 bits.
LaunchSettings SetupModel::launchWithoutDialog() const {
  const SetupControls controls = initialControls();
  LaunchSettings settings = choicesOf(controls);
  const std::optional<size_t> index = chosenModeIndex(controls);
  if (presets.resolution) {
    std::tie(settings.width, settings.height) = *presets.resolution;
  } else if (desktop) {
    settings.width = desktop->width;
    settings.height = desktop->height;
  } else if (index) {
    settings.width = modes[*index].width;
    settings.height = modes[*index].height;
  } else {
    settings.width = kFallbackWidth;
    settings.height = kFallbackHeight;
  }
  settings.bitsPerPixel = 32;
  return settings;
}

std::optional<int> SetupModel::command(int commandId,
                                       const std::function<SetupControls()>& readControls,
                                       LaunchSettings& settings) const {
  switch (commandId) {
    case kSetupLaunchId:
      if (std::optional<LaunchSettings> chosen = launch(readControls())) {
        settings = *chosen;
        return kSetupResultLaunch;
      }
      return std::nullopt;
    case kSetupQuitId:
    case kSetupCancelId:
      return kSetupResultQuit;
    default:
      return std::nullopt;
  }
}

LaunchSettings SetupModel::choicesOf(const SetupControls& controls) const {
  LaunchSettings settings;
  if (controls.aspectIndex == 0) {
    settings.aspect = desktopAspect;
  } else if (inRange(controls.aspectIndex, aspects.size())) {
    settings.aspect = controls.aspectIndex;  // the list is in code order: 1 4:3 ... 4 16:10
  }
  if (controls.multisamplingIndex >= 1 &&
      inRange(controls.multisamplingIndex, sampleCounts.size())) {
    settings.sampleCount = int32_t{1} << controls.multisamplingIndex;  // entry i: "2^i x"
  }
  settings.fullscreen = controls.fullscreen;
  settings.vsync = controls.vsync;
  settings.musicEnabled = controls.music;
  return settings;
}

void storeLaunchSettings(const LaunchSettings& settings, DemoContext& context) {
  context.width = settings.width;
  context.height = settings.height;
  context.bitsPerPixel = settings.bitsPerPixel;
  if (settings.aspect) context.aspect = *settings.aspect;
  context.sampleCount = settings.sampleCount;
  context.fullscreen = settings.fullscreen ? 1 : 0;
  context.vsync = settings.vsync ? 1 : 0;
  context.musicEnabled = settings.musicEnabled ? 1 : 0;
}
