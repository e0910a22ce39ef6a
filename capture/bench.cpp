// Each frame is timed with its GL work finished (glFinish) and filed under the timeline's window it
// belongs to, so the figures say which part of the show costs what, not only the average.
#include "capture/bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/show.h"
#include "app/timeline.h"
#include "dots/dot_field.h"
#include "gfx/gl.h"
#include "platform/interrupt.h"
#include "platform/system.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Window {
  std::string name;
  uint32_t from, to;  // demo ms, inclusive start, exclusive end
  std::vector<double> frameMs;
};

Window windowOf(const char* name, uint32_t from, uint32_t to) {
  char label[64];
  std::snprintf(label, sizeof label, "%-14s %2u-%2u s", name, from / 1000, to / 1000);
  return {label, from, to, {}};
}

// One window per scene of the schedule, the credits after the last, and the whole show.
std::vector<Window> benchWindows() {
  std::vector<Window> windows;
  for (const TimelineEntry& entry : kTimeline) {
    windows.push_back(windowOf(entry.name, entry.startMs, entry.endMs));
  }
  windows.push_back(windowOf("credits", kTimeline.back().endMs, kShowEndMs));
  windows.push_back(windowOf("whole show", 0, kShowEndMs));
  return windows;
}

// Steps at fps and records how long each frame took, the GL work finished.
class BenchPlatform final : public FramePlatform {
 public:
  BenchPlatform(int frameRate, std::vector<Window>& table) : fps(frameRate), windows(table) {}
  uint32_t ticks() override { return captureFrameTime(index, fps); }
  void pumpEvents(uint8_t*, FrameEvents&) override {}
  void render(DemoContext& context) override {
    started = Clock::now();
    renderTimeline(context);
  }
  void present() override {
    // GL queues the work; without the wait a frame would seem to take only its recording time.
    glFinish();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    const uint32_t t = captureFrameTime(index, fps);
    for (Window& window : windows) {
      if (t >= window.from && t < window.to) window.frameMs.push_back(ms);
    }
    ++index;
  }
  bool stopRequested() override { return interruptCount() > 0; }
  uint64_t frames() const { return index; }

 private:
  int fps;
  std::vector<Window>& windows;
  uint64_t index = 0;
  Clock::time_point started;
};

// The nearest-rank percentile (p from 0 to 1); 1 gives the largest value.
double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t at = std::min(values.size() - 1, static_cast<size_t>(p * (values.size() - 1) + 0.5));
  return values[at];
}

}  // namespace

int runBench(DisplayFactory makeDisplay, int width, int height, int fps, bool reduceFlashing) {
  OffscreenShow session(makeDisplay);
  session.context.reduceFlashing = reduceFlashing ? 1 : 0;
  const Clock::time_point startUp = Clock::now();
  std::string error;
  if (!session.start(width, height, error)) {
    std::fprintf(stderr, "nightloom: %s\n", error.c_str());
    return 1;
  }
  glFinish();
  const double startUpMs =
      std::chrono::duration<double, std::milli>(Clock::now() - startUp).count();

  std::vector<Window> windows = benchWindows();
  BenchPlatform platform(fps, windows);
  const uint64_t uploadedBefore = dotFieldStats.bytesUploaded;
  const uint64_t verticesBefore = dotFieldStats.verticesDrawn;
  // Asked while the context is current: after stop() there is none to answer.
  const GLubyte* rendererName = glGetString(GL_RENDERER);
  const std::string renderer = rendererName ? reinterpret_cast<const char*>(rendererName) : "?";
  const Clock::time_point began = Clock::now();
  session.show->play(platform);
  const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
  const uint64_t uploaded = dotFieldStats.bytesUploaded - uploadedBefore;
  const uint64_t vertices = dotFieldStats.verticesDrawn - verticesBefore;
  session.show->stop();
  if (interruptCount() > 0) {
    return reportInterrupted(platform.frames(), captureFrameCount(fps), "no figures");
  }

  const size_t frames = windows.back().frameMs.size();
  std::printf("nightloom benchmark: %dx%d, %d steps per second, %zu frames, %s\n", width, height,
              fps, frames, renderer.c_str());
  std::printf("start-up (display, music decode, assets, dot layers): %.0f ms\n", startUpMs);
  std::printf("%-24s %9s %9s %9s %8s\n", "window", "median ms", "p95 ms", "max ms", "frames");
  for (const Window& window : windows) {
    std::printf("%-24s %9.2f %9.2f %9.2f %8zu\n", window.name.c_str(),
                percentile(window.frameMs, 0.5), percentile(window.frameMs, 0.95),
                percentile(window.frameMs, 1.0), window.frameMs.size());
  }
  std::printf("overall: %.1f frames per second (%.1f s for the show's 76 s)\n", frames / seconds,
              seconds);
  std::printf("dot-field uploads: %.2f MB per frame on average\n",
              frames ? uploaded / 1e6 / frames : 0.0);
  std::printf("dot-field vertices drawn: %.0f per frame on average\n",
              frames ? static_cast<double>(vertices) / frames : 0.0);
  std::printf("peak memory: %.1f MB\n", peakMemoryMegabytes());
  return 0;
}
