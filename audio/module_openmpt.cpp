// Tracker modules through libopenmpt. A module is rendered to the end once, at load, so the engine
// treats it like a decoded stream: known length, any position readable for the spectrum.
//   [x] every format libopenmpt reads   [x] whole module rendered at load, cut at 600 s
//   [x] libopenmpt's recommended volume ramping   [ ] looping (played once, as libopenmpt does)
#include <libopenmpt/libopenmpt.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "audio/decoder.h"

namespace {

// A module that never ends (or a huge one) is cut here rather than filling memory.
constexpr double kLongestModuleSeconds = 600.0;
constexpr size_t kRenderChunkFrames = 4096;

// Ramping strength -1 is libopenmpt's recommended ramping, on; 0 would switch it off.
constexpr int kVolumeRamping = -1;

struct ModuleCloser {
  void operator()(openmpt_module* module) const { openmpt_module_destroy(module); }
};

}  // namespace

std::optional<DecodedAudio> renderModuleFile(const std::string& path, int rate,
                                             std::string& error) {
  error = checkReadable(path);
  if (!error.empty()) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  int status = 0;
  std::unique_ptr<openmpt_module, ModuleCloser> module(openmpt_module_create_from_memory2(
      bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
      nullptr, &status, nullptr, nullptr));
  if (!module) {
    error = "The music file \"" + path + "\" is not a tracker module that can be played.";
    return std::nullopt;
  }
  openmpt_module_set_render_param(module.get(), OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH,
                                  kVolumeRamping);
  DecodedAudio audio;
  audio.rate = rate;
  const size_t longest = static_cast<size_t>(kLongestModuleSeconds * rate);
  std::vector<float> chunk(kRenderChunkFrames * 2);
  while (static_cast<size_t>(audio.frames()) < longest) {
    const size_t got = openmpt_module_read_interleaved_float_stereo(
        module.get(), rate, kRenderChunkFrames, chunk.data());
    if (got == 0) break;
    audio.samples.insert(audio.samples.end(), chunk.begin(), chunk.begin() + got * 2);
  }
  if (audio.frames() == 0) {
    error = "The music file \"" + path + "\" is a tracker module without any sound.";
    return std::nullopt;
  }
  return audio;
}
