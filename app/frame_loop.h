// The frame loop: clock, music start, events, the timeline, the fade cues and presentation, in the
// show's fixed order, until demo time reaches 76 000 ms, Escape is pressed or the window is closed.
// Everything outside (the clock, the window, what a frame draws) comes through FramePlatform, so
// the live show, the video capture and the tests run the same loop.
#pragma once

#include <cstdint>

#include "gfx/display.h"

struct DemoContext;

inline constexpr uint32_t kShowEndMs = 76000;

class FramePlatform {
 public:
  virtual ~FramePlatform() = default;
  // The millisecond counter (the timer's tickCount, or a capture's fixed-rate time).
  virtual uint32_t ticks() = 0;
  virtual void pumpEvents(uint8_t keyDown[256], FrameEvents& events) = 0;
  // Draws the frame's picture (the timeline) into framebuffer 0.
  virtual void render(DemoContext& context) = 0;
  virtual void present() = 0;
  // Asked before each frame: true ends the loop there, before the frame is drawn (a capture whose
  // output failed or is complete, a run interrupted from outside).
  virtual bool stopRequested() { return false; }
};

enum class LoopEnd { Running, TimeUp, Escape, Quit, Stopped };

class FrameLoop {
 public:
  // Runs one frame; returns Running, or why the loop ends after it (Stopped: before it, nothing
  // drawn).
  LoopEnd runFrame(DemoContext& context, FramePlatform& platform);
  // Runs frames until the loop ends.
  LoopEnd run(DemoContext& context, FramePlatform& platform);

  uint32_t lastTick = 0;
};
