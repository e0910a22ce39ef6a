// Parsing is strict: every option must be known and every value whole and in range, and two run
// modes refuse each other, so that a slip ends the run with one sentence instead of a show with a
// setting quietly dropped.
#include "app/options.h"

#include <cstdlib>

namespace {

bool parseWhole(const std::string& text, long low, long high, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return *end == '\0' && value >= low && value <= high;
}

// Takes the value after option `name`; false (error set) when it is missing.
bool takeValue(const std::vector<std::string>& arguments, size_t& i, const std::string& name,
               std::string& value, std::string& error) {
  if (i + 1 >= arguments.size()) {
    error = name + " needs a value";
    return false;
  }
  value = arguments[++i];
  return true;
}

// Takes the value after option `name` as a whole number from low to high; false (error set, the
// option saying that it `wants` such a number) when it is missing or is not one.
bool takeWholeValue(const std::vector<std::string>& arguments, size_t& i, const std::string& name,
                    long low, long high, const char* wants, long& number, std::string& error) {
  std::string value;
  if (!takeValue(arguments, i, name, value, error)) return false;
  if (!parseWhole(value, low, high, number)) {
    error = name + " wants " + wants + ", not \"" + value + "\"";
    return false;
  }
  return true;
}

// Two run modes on one command line would leave one of them silently unused, so the second is
// refused; repeating the same mode (--window with --fullscreen) is fine.
bool setMode(Options& options, RunMode mode, const std::string& name, std::string& error) {
  if (options.mode != RunMode::Dialog && options.mode != mode) {
    error = name + " cannot be combined with another run mode";
    return false;
  }
  options.mode = mode;
  return true;
}

}  // namespace

bool parseSize(const std::string& text, int& width, int& height) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  long w = 0;
  long h = 0;
  if (!parseWhole(text.substr(0, x), 16, 16384, w) ||
      !parseWhole(text.substr(x + 1), 16, 16384, h)) {
    return false;
  }
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error) {
  Options options;
  bool fpsGiven = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    std::string value;
    if (arg == "--help" || arg == "-h") {
      options.mode = RunMode::Help;
      return options;
    } else if (arg == "--version") {
      options.mode = RunMode::Version;
      return options;
    } else if (arg == "--window" || arg == "--size") {
      if (!takeValue(arguments, i, arg, value, error)) return std::nullopt;
      if (!parseSize(value, options.width, options.height)) {
        error = arg + " wants WIDTHxHEIGHT (16 to 16384 each), not \"" + value + "\"";
        return std::nullopt;
      }
      // --size only sets the size (the dialog's preselected resolution, or an off-screen run's
      // picture); --window also skips the dialog.
      if (arg == "--window" && !setMode(options, RunMode::Window, arg, error)) return std::nullopt;
    } else if (arg == "--fullscreen") {
      options.fullscreen = true;
      if (!setMode(options, RunMode::Window, arg, error)) return std::nullopt;
    } else if (arg == "--no-music") {
      options.music = false;
    } else if (arg == "--no-vsync") {
      options.vsync = false;
    } else if (arg == "--reduce-flashing") {
      options.reduceFlashing = true;
    } else if (arg == "--fps") {
      long fps = 0;
      if (!takeWholeValue(arguments, i, arg, 1, 1000, "a whole number from 1 to 1000", fps,
                          error)) {
        return std::nullopt;
      }
      options.fps = static_cast<int>(fps);
      fpsGiven = true;
    } else if (arg == "--crf") {
      long crf = 0;
      if (!takeWholeValue(arguments, i, arg, 0, 51, "a whole number from 0 (lossless) to 51", crf,
                          error)) {
        return std::nullopt;
      }
      options.crf = static_cast<int>(crf);
    } else if (arg == "--capture" || arg == "--frames") {
      if (!takeValue(arguments, i, arg, options.output, error)) return std::nullopt;
      if (!setMode(options, arg == "--capture" ? RunMode::Capture : RunMode::Frames, arg, error)) {
        return std::nullopt;
      }
    } else if (arg == "--still") {
      long ms = 0;
      if (!takeWholeValue(arguments, i, arg, 0, 76000, "a demo time in ms from 0 to 76000", ms,
                          error)) {
        return std::nullopt;
      }
      options.stillMs = static_cast<unsigned>(ms);
      if (!takeValue(arguments, i, arg, options.output, error)) return std::nullopt;
      if (!setMode(options, RunMode::Still, arg, error)) return std::nullopt;
    } else if (arg == "--bench") {
      if (!setMode(options, RunMode::Bench, arg, error)) return std::nullopt;
    } else {
      error = "unknown option \"" + arg + "\" (see --help)";
      return std::nullopt;
    }
  }
  // The live show runs as fast as the display lets it; a frame rate there would be dropped.
  if (fpsGiven && (options.mode == RunMode::Dialog || options.mode == RunMode::Window)) {
    error = "--fps sets the frame rate of --capture, --frames, --still and --bench only";
    return std::nullopt;
  }
  if (options.crf >= 0 && options.mode != RunMode::Capture) {
    error = "--crf sets the quality of --capture's video only";
    return std::nullopt;
  }
  return options;
}

const char* usageText() {
  return "Usage: nightloom [OPTION]...\n"
         "Plays the nightloom show: a setup dialog, then 76 seconds of halftone dots,\n"
         "lettering and music. Escape or closing the window ends it early.\n"
         "\n"
         "Photosensitivity warning: the show contains rapidly flashing images that may\n"
         "affect people with photosensitive epilepsy. --reduce-flashing plays it with\n"
         "reduced flashing.\n"
         "\n"
         "Live show:\n"
         "  (no option)          the setup dialog, then the show with the chosen settings\n"
         "  --window WxH         skip the dialog: a window of W x H pixels (16:9 letterbox)\n"
         "  --fullscreen         skip the dialog: full screen at --window's size or the desktop's\n"
         "  --no-music           play with the music muted (it still drives the beats); with the\n"
         "                       dialog, its Music box starts unticked\n"
         "  --no-vsync           do not wait for vertical sync (the dialog's VSync box unticked)\n"
         "  --size WxH           with the dialog: start on that resolution (one it lists)\n"
         "\n"
         "Off screen (headless OpenGL: EGL on Linux, needing no display; a hidden window on\n"
         "Windows):\n"
         "  --capture FILE.mp4   render the whole show to a video with its music (needs ffmpeg):\n"
         "                       H.264 and AAC, BT.709, to publish or play anywhere\n"
         "  --capture FILE.mkv   the same as a lossless master: the exact frames (FFV1) and\n"
         "                       the exact sound (float PCM), to keep or to edit\n"
         "  --crf N              the .mp4's quality, 0 (lossless) to 51; the default is 20,\n"
         "                       lower is better and larger\n"
         "  --frames DIR         render the whole show to numbered PNG files in DIR\n"
         "  --still MS FILE.png  render the single frame at demo time MS\n"
         "  --bench              render the show at 1280x720, 60 steps/s, and print timings\n"
         "  --size WxH           picture size for the above (default 1920x1080)\n"
         "  --no-music           with --capture: a silent sound track (the music still drives\n"
         "                       the beats)\n"
         "  --fps N              frames per second for the above (default 60; off screen only)\n"
         "\n"
         "Any mode:\n"
         "  --reduce-flashing    reduced flashing: beats switch the halftone at most every\n"
         "                       0.4 s, the dots swing, jump and move more slowly, the\n"
         "                       credits fade in (within WCAG 2.3.1's three flashes a second)\n"
         "\n"
         "Other:\n"
         "  -h, --help           this text\n"
         "  --version            the version of nightloom\n"
         "\n"
         "Data: the show reads Data/music.mp3 and eight Data/*.p pictures, all from the first of\n"
         "these folders that exists:\n"
         "  1. Data/ in the working directory\n"
         "  2. Data/ beside the executable (a build writes build/Data; the Windows package\n"
         "     ships it beside nightloom.exe)\n"
         "  3. ../share/nightloom/Data from the executable's folder (the installed data)\n"
         "See nightloom(6) for more.\n";
}
