// Each frame is timed with its GL work finished (glFinish) and filed under the timeline's window it
// belongs to, so the figures say which part of the show costs what, not only the average. Every
// other frame is profiled pass by pass instead: those frames take longer (no pass overlaps the
// next), so the frame times come from the frames between them, drawn as the show draws them.
#include "capture/bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/show.h"
#include "app/timeline.h"
#include "capture/pass_profile.h"
#include "dots/dot_field.h"
#include "gfx/gl.h"
#include "platform/interrupt.h"
#include "platform/system.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Window {
  std::string name;
  uint32_t from, to;            // demo ms, inclusive start, exclusive end
  std::vector<double> frameMs;  // the frames drawn as the show draws them
  FrameProfile passes{};        // summed over the profiled frames
  size_t profiled = 0;
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

// Steps at fps and records how long each frame took, the GL work finished; every odd frame is
// profiled pass by pass.
class BenchPlatform final : public FramePlatform {
 public:
  BenchPlatform(int frameRate, std::vector<Window>& table) : fps(frameRate), windows(table) {}
  ~BenchPlatform() override { passObserver = nullptr; }
  uint32_t ticks() override { return captureFrameTime(index, fps); }
  void pumpEvents(uint8_t*, FrameEvents&) override {}
  void render(DemoContext& context) override {
    if (profiling()) {
      profiler.beginFrame();
      passObserver = &profiler;
    }
    started = Clock::now();
    renderTimeline(context);
  }
  void present() override {
    const uint32_t t = captureFrameTime(index, fps);
    if (profiling()) {
      const FrameProfile& frame = profiler.endFrame();
      passObserver = nullptr;
      for (Window& window : windows) {
        if (t < window.from || t >= window.to) continue;
        for (size_t pass = 0; pass < kFramePassCount; ++pass) add(window.passes[pass], frame[pass]);
        ++window.profiled;
      }
    } else {
      // GL queues the work; without the wait a frame would seem to take only its recording time.
      glFinish();
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
      for (Window& window : windows) {
        if (t >= window.from && t < window.to) window.frameMs.push_back(ms);
      }
    }
    ++index;
  }
  bool stopRequested() override { return interruptCount() > 0; }
  uint64_t frames() const { return index; }
  bool driverCounts() const { return profiler.driverCounts(); }

 private:
  bool profiling() const { return index % 2 == 1; }
  static void add(PassFigures& sum, const PassFigures& more) {
    sum.ms += more.ms;
    sum.vertices += more.vertices;
    sum.shaded += more.shaded;
    sum.triangles += more.triangles;
    sum.fragments += more.fragments;
  }

  int fps;
  std::vector<Window>& windows;
  uint64_t index = 0;
  Clock::time_point started;
  PassProfiler profiler;
};

// The nearest-rank percentile (p from 0 to 1); 1 gives the largest value.
double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t at = std::min(values.size() - 1, static_cast<size_t>(p * (values.size() - 1) + 0.5));
  return values[at];
}

// Thousands, or "-" for a count nobody kept.
std::string thousands(double count, bool known) {
  if (!known) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1fk", count / 1000.0);
  return text;
}

// Per window, what each pass cost on average over the window's profiled frames.
void printPassTables(const std::vector<Window>& windows, bool driverCounts) {
  std::printf(
      "per pass, on average over the other frames (each pass finished before the next: "
      "%s):\n",
      driverCounts ? "counts from the driver's pipeline statistics"
                   : "the dot field's own vertex count, no fragment count");
  for (const Window& window : windows) {
    if (window.profiled == 0) continue;
    const double n = static_cast<double>(window.profiled);
    double total = 0;
    for (const PassFigures& pass : window.passes) total += pass.ms;
    std::printf("  %s, %zu frames, %.2f ms a frame:\n", window.name.c_str(), window.profiled,
                total / n);
    std::printf("    %-14s %8s %10s %10s %10s %10s\n", "pass", "ms", "vertices", "shaded",
                "triangles", "fragments");
    for (size_t i = 0; i < kFramePassCount; ++i) {
      const PassFigures& pass = window.passes[i];
      std::printf("    %-14s %8.2f %10s %10s %10s %10s\n", framePassName(static_cast<FramePass>(i)),
                  pass.ms / n, thousands(pass.vertices / n, true).c_str(),
                  thousands(pass.shaded / n, driverCounts).c_str(),
                  thousands(pass.triangles / n, true).c_str(),
                  thousands(pass.fragments / n, driverCounts).c_str());
    }
  }
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
  const uint64_t uploadedBefore = dotFieldStats.bytesUploaded;
  const uint64_t verticesBefore = dotFieldStats.verticesDrawn;
  // Asked while the context is current: after stop() there is none to answer.
  const GLubyte* rendererName = glGetString(GL_RENDERER);
  const std::string renderer = rendererName ? reinterpret_cast<const char*>(rendererName) : "?";
  const Clock::time_point began = Clock::now();
  uint64_t framesRun = 0;
  bool driverCounts = false;
  {
    // The profiler's queries belong to the context, so the platform goes before the show stops.
    BenchPlatform platform(fps, windows);
    session.show->play(platform);
    framesRun = platform.frames();
    driverCounts = platform.driverCounts();
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
  const uint64_t uploaded = dotFieldStats.bytesUploaded - uploadedBefore;
  const uint64_t vertices = dotFieldStats.verticesDrawn - verticesBefore;
  session.show->stop();
  if (interruptCount() > 0) {
    return reportInterrupted(framesRun, captureFrameCount(fps), "no figures");
  }

  const std::vector<double>& all = windows.back().frameMs;
  const size_t frames = all.size();
  double drawingMs = 0;
  for (double ms : all) drawingMs += ms;
  std::printf("nightloom benchmark: %dx%d, %d steps per second, %llu frames, %s\n", width, height,
              fps, static_cast<unsigned long long>(framesRun), renderer.c_str());
  std::printf("start-up (display, music decode, assets, dot layers): %.0f ms\n", startUpMs);
  std::printf("frame times of the %zu frames drawn as the show draws them (every other one):\n",
              frames);
  std::printf("%-24s %9s %9s %9s %8s\n", "window", "median ms", "p95 ms", "max ms", "frames");
  for (const Window& window : windows) {
    std::printf("%-24s %9.2f %9.2f %9.2f %8zu\n", window.name.c_str(),
                percentile(window.frameMs, 0.5), percentile(window.frameMs, 0.95),
                percentile(window.frameMs, 1.0), window.frameMs.size());
  }
  std::printf(
      "overall: %.1f frames per second (%.1f s for the show's 76 s; the whole run, the "
      "profiled frames too, took %.1f s)\n",
      drawingMs > 0 ? frames * 1000.0 / drawingMs : 0.0,
      drawingMs / 1000.0 * framesRun / std::max<size_t>(frames, 1), seconds);
  printPassTables(windows, driverCounts);
  const double run = static_cast<double>(std::max<uint64_t>(framesRun, 1));
  std::printf("dot-field uploads: %.2f MB per frame on average\n", uploaded / 1e6 / run);
  std::printf("dot-field vertices drawn: %.0f per frame on average\n", vertices / run);
  std::printf("peak memory: %.1f MB\n", peakMemoryMegabytes());
  return 0;
}
