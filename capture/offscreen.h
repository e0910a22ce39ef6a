// What every off-screen run shares (the video, frame and still captures and the benchmark): the
// headless show with the settings they all use, the fixed-rate frame schedule, and the one line
// that ends a run an interrupt stopped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "launcher/demo_context.h"

class Display;
class Show;

// Makes the off-screen display (the entry passes the headless backend's factory).
using DisplayFactory = std::unique_ptr<Display> (*)();

// The show on a display of its own, brought up with those settings.
class OffscreenShow {
 public:
  explicit OffscreenShow(DisplayFactory makeDisplay);
  ~OffscreenShow();  // the show stops (if it runs) before its display goes
  OffscreenShow(const OffscreenShow&) = delete;
  OffscreenShow& operator=(const OffscreenShow&) = delete;

  // Display, assets, music and runtime at width x height; false with `error` set when any step
  // fails or the driver cannot draw that size.
  bool start(int width, int height, std::string& error);

  DemoContext context;
  std::unique_ptr<Display> display;
  std::unique_ptr<Show> show;
};

// Demo time of frame `index` at `fps` frames per second.
inline uint32_t captureFrameTime(uint64_t index, int fps) {
  return static_cast<uint32_t>(index * 1000u / static_cast<uint64_t>(fps));
}

// Reads the frame just drawn, width x height, from the frame target (gfx/gl.h) into `rgb` as RGB
// rows, top first.
void readFrame(int width, int height, std::vector<uint8_t>& rgb);

// Reads the frame just drawn as the frame target holds it into `bgra` (width x height x 4 bytes):
// BGRA, rows bottom first. The cheapest read there is; the encoder turns it the right way up.
void readFrameAsRead(int width, int height, uint8_t* bgra);

// Number of frames the show presents at `fps` (those before 76 000 ms).
uint64_t captureFrameCount(int fps);

// Demo time at which the music starts at `fps`: the first frame after 3000 ms.
uint32_t captureMusicStartMs(int fps);

// Prints the one line of a run that an interrupt ended, "interrupted at frame N of M; `outcome`",
// and returns the exit status that goes with the interrupt.
int reportInterrupted(uint64_t framesDone, uint64_t frameCount, const std::string& outcome);
