// The passes a frame is drawn in, in drawing order, and the one hook that marks where each begins.
// The show installs no observer, so a mark costs a test of one pointer; the benchmark installs one
// that times each pass and counts the work the driver did in it.
#pragma once

#include <cstddef>

enum class FramePass : int {
  Scenes,      // the first target cleared, the scenes drawn into it
  DotsCoarse,  // the second target cleared, the 48 x 48 layer (three times in three colours)
  DotsMedium,  // the 96 x 96 layer
  DotsFine,    // the 192 x 192 layer
  Lettering,   // titles, credits, greetings, the roll, the message
  Composite,   // the window cleared, the chosen target's band stretched over it
  Overlay,     // the subtractive overlay
  Fades,       // the fade cues
};
inline constexpr size_t kFramePassCount = 8;

// The name the benchmark prints for a pass.
const char* framePassName(FramePass pass);

class PassObserver {
 public:
  virtual ~PassObserver() = default;
  // Everything drawn from now until the next mark (or the frame's end) belongs to `pass`.
  virtual void passBegins(FramePass pass) = 0;
};

// Null in the show; set by the benchmark for the frames it profiles.
extern PassObserver* passObserver;

inline void markPass(FramePass pass) {
  if (passObserver) passObserver->passBegins(pass);
}
