// The benchmark's view inside a frame: for each pass, the time it took with its GL work finished,
// and the work the driver did in it: vertices and triangles submitted and fragments shaded, from
// GL_ARB_pipeline_statistics_query where the driver has it (with the vertices shaded), else the dot
// field's own count of the vertices it drew (fragments then unknown).
#pragma once

#include <array>
#include <cstdint>

#include "gfx/frame_passes.h"
#include "gfx/gl.h"

struct PassFigures {
  double ms = 0;
  uint64_t vertices = 0;  // submitted: an indexed draw counts every index
  uint64_t shaded = 0;    // vertices the vertex shader ran for (0 when the driver does not count)
  uint64_t triangles = 0;
  uint64_t fragments = 0;
};
using FrameProfile = std::array<PassFigures, kFramePassCount>;

// Finishes the GL work at every pass mark (so that the passes of a profiled frame do not overlap,
// and the frame takes longer than it would unprofiled) and files what happened since under the
// pass that was open.
class PassProfiler final : public PassObserver {
 public:
  PassProfiler();  // needs the current context; its queries go with it
  ~PassProfiler() override;
  PassProfiler(const PassProfiler&) = delete;
  PassProfiler& operator=(const PassProfiler&) = delete;

  // Whether the driver counts fragments (and so vertices and triangles of every pass).
  bool driverCounts() const { return queries[0] != 0; }

  void beginFrame();
  void passBegins(FramePass pass) override;
  // Closes the open pass; the figures of the frame.
  const FrameProfile& endFrame();

 private:
  void closeOpenPass();

  static constexpr int kQueryCount = 4;  // vertices, shaded, triangles, fragments
  std::array<GLuint, kQueryCount> queries{};
  FrameProfile frame{};
  int openPass = -1;
  int64_t openedAtNs = 0;
  uint64_t dotVerticesAtOpen = 0;
};
