// The show's fixed schedule of about 76 seconds: which scenes draw into the off-screen target at
// a given demo time, the resets that open some windows, the switch to the halftone picture, the
// lettering, the composite onto the window and the overlay over it.
#pragma once

#include <array>
#include <cstdint>

struct DemoContext;

enum class TimelineScene { OrbitDots, CubeCloud, DotRing, OrbitDotsLarge };

// Resets that open a window.
enum class TimelineReset { None, CubeCloudEntry, DotRingEntry };

// One window of the schedule; both bounds are inclusive and the reset applies while
// ms <= resetUntilMs.
struct TimelineEntry {
  uint32_t startMs;
  uint32_t endMs;
  TimelineScene scene;
  const char* name;  // for people: the benchmark's figures per window
  TimelineReset reset;
  uint32_t resetUntilMs;
};

extern const std::array<TimelineEntry, 4> kTimeline;

// Draws one scheduled scene.
using SceneDrawer = void (*)(TimelineScene scene, uint32_t ms, float frameDelta);

// The scene part of a frame: every window containing ms, in table order, each preceded by its
// resets. `draw` defaults to the real scenes.
void runScheduledScenes(uint32_t ms, float frameDelta, SceneDrawer draw = nullptr);

// One frame of the show at the record's ms and frameDelta, its music giving the spectrum. Leaves
// the frame target bound with the composited picture and the overlay in it. Every FramePlatform's
// render() calls it, once the show has started.
void renderTimeline(DemoContext& context);
