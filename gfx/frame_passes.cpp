// The pass names, in the order of the enumeration, and the observer's storage.
#include "gfx/frame_passes.h"

PassObserver* passObserver = nullptr;

namespace {
constexpr const char* kPassNames[kFramePassCount] = {
    "scenes",    "dots 48x48", "dots 96x96", "dots 192x192",
    "lettering", "composite",  "overlay",    "fades",
};
}  // namespace

const char* framePassName(FramePass pass) {
  const size_t index = static_cast<size_t>(pass);
  return index < kFramePassCount ? kPassNames[index] : "?";
}
