// The command line's presets for the setup dialog and for the window path that skips it.
#include "app/launch_options.h"

#include "app/options.h"

SetupPreset setupPresetOf(const Options& options) {
  SetupPreset preset;
  if (options.width > 0 && options.height > 0) {
    preset.resolution = std::pair{options.width, options.height};
  }
  if (options.mode == RunMode::Window) preset.fullscreen = options.fullscreen;
  if (!options.vsync) preset.vsync = false;
  if (!options.music) preset.music = false;
  return preset;
}

bool dialogTakesOptions(const Options& options, const SetupModel& model, std::string& error) {
  if (options.width > 0 && !model.offersResolution(options.width, options.height)) {
    const std::string size = std::to_string(options.width) + "x" + std::to_string(options.height);
    error = "--size " + size +
            " is none of the resolutions the setup dialog offers; use --window " + size +
            " for a window of that size";
    return false;
  }
  return true;
}
