// nightloom-flashcheck: reads a video or a folder of PNG frames and says whether it stays within
// the three-flashes threshold of WCAG 2.3.1 (general and red flashes). Exit status 0 when it
// passes, 1 when it fails, 2 when the input cannot be read or the command line is wrong.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/flashcheck/flash_analysis.h"
#include "tools/flashcheck/frame_source.h"
#include "tools/flashcheck/report.h"

namespace {

constexpr int kExitFails = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "Usage: nightloom-flashcheck VIDEO\n"
    "       nightloom-flashcheck --fps N FOLDER\n"
    "Counts the general and red flashes of a video (decoded with ffmpeg) or of a folder of PNG\n"
    "frames shown N a second, by the thresholds of WCAG 2.3.1, and prints the most in any one\n"
    "second, where, and whether it passes (no more than three in any second).\n"
    "Exit status: 0 passes, 1 fails, 2 unreadable input or bad command line.\n";

int usageError(const std::string& message) {
  std::fprintf(stderr, "nightloom-flashcheck: %s\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

int inputError(const std::string& message) {
  std::fprintf(stderr, "nightloom-flashcheck: %s\n", message.c_str());
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  double fps = 0.0;
  std::string input;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--help" || arguments[i] == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arguments[i] == "--fps") {
      if (i + 1 >= arguments.size()) return usageError("--fps needs a value");
      char* end = nullptr;
      fps = std::strtod(arguments[++i].c_str(), &end);
      if (*end != '\0' || !(fps >= 1.0 && fps <= 1000.0)) {
        return usageError("--fps wants frames per second from 1 to 1000");
      }
    } else if (input.empty()) {
      input = arguments[i];
    } else {
      return usageError("one video or folder at a time");
    }
  }
  if (input.empty()) return usageError("no video or folder given");

  std::string error;
  std::unique_ptr<FrameSource> source;
  if (std::filesystem::is_directory(input)) {
    if (fps == 0.0) return usageError("a folder of frames needs --fps N");
    source = openFrameFolder(input, fps, error);
  } else {
    if (fps != 0.0) return usageError("--fps is for a folder of frames; a video has its own");
    source = openVideo(input, error);
  }
  if (!source) return inputError(error);

  FlashAnalyzer analyzer(source->width, source->height, source->fps);
  std::vector<uint8_t> rgb;
  while (source->next(rgb)) analyzer.addFrame(rgb.data());
  if (!source->error().empty()) return inputError(source->error());
  if (analyzer.frames() == 0) return inputError(input + " holds no frames");
  printFlashReport(stdout, input, analyzer, source->fps);
  return flashesPass(analyzer) ? 0 : kExitFails;
}
