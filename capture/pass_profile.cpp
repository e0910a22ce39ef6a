// Pipeline statistics are read right after the finish that closes a pass, when the driver has
// them ready; the clock is read after the finish too, so a pass is charged for its own work only.
#include "capture/pass_profile.h"

#include <chrono>

#include "dots/dot_field.h"

namespace {

constexpr GLenum kStatistics[] = {GL_VERTICES_SUBMITTED_ARB, GL_VERTEX_SHADER_INVOCATIONS_ARB,
                                  GL_PRIMITIVES_SUBMITTED_ARB, GL_FRAGMENT_SHADER_INVOCATIONS_ARB};

int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

PassProfiler::PassProfiler() {
  if (gl::glGenQueries && gl::glBeginQuery && gl::glEndQuery && gl::glGetQueryObjectui64v) {
    gl::glGenQueries(kQueryCount, queries.data());
  }
}

PassProfiler::~PassProfiler() {
  if (driverCounts() && gl::glDeleteQueries) gl::glDeleteQueries(kQueryCount, queries.data());
}

void PassProfiler::beginFrame() {
  frame = {};
  openPass = -1;
}

void PassProfiler::passBegins(FramePass pass) {
  closeOpenPass();
  openPass = static_cast<int>(pass);
  if (driverCounts()) {
    for (int i = 0; i < kQueryCount; ++i) gl::glBeginQuery(kStatistics[i], queries[i]);
  }
  dotVerticesAtOpen = dotFieldStats.verticesDrawn;
  openedAtNs = nowNs();
}

const FrameProfile& PassProfiler::endFrame() {
  closeOpenPass();
  return frame;
}

void PassProfiler::closeOpenPass() {
  if (openPass < 0) return;
  glFinish();
  PassFigures& figures = frame[static_cast<size_t>(openPass)];
  figures.ms += static_cast<double>(nowNs() - openedAtNs) / 1e6;
  if (driverCounts()) {
    uint64_t counted[kQueryCount] = {};
    for (int i = 0; i < kQueryCount; ++i) {
      gl::glEndQuery(kStatistics[i]);
      gl::glGetQueryObjectui64v(queries[i], GL_QUERY_RESULT, &counted[i]);
    }
    figures.vertices += counted[0];
    figures.shaded += counted[1];
    figures.triangles += counted[2];
    figures.fragments += counted[3];
  } else {
    const uint64_t drawn = dotFieldStats.verticesDrawn - dotVerticesAtOpen;
    figures.vertices += drawn;
    figures.triangles += drawn / 3;
  }
  openPass = -1;
}
