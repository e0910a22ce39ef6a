// Cost of the halftone pass per frame on the headless context: bytes uploaded and the main
// thread's CPU time inside drawDotField (plus wall time up to glFinish), for modes 1 and 2 at
// phases 0, 0.5 and 2, with the controls held still, with dotScale moving every frame, and with
// every colour and scale array re-uploaded before each frame. The last column is what uploading
// both arrays on every drawn pass (before unchanged values were skipped) would cost: 20 bytes per
// vertex.
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/scene_params.h"
#include "assets/texture_registry.h"
#include "dots/dot_field.h"
#include "dots/dot_layer.h"
#include "gfx/gl.h"
#include "scenes/demo_runtime.h"
#include "support/dot_assets.h"

namespace {

constexpr int kFrames = 20;

enum class Load { Still, MovingScale, UploadAlways };

double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec * 1e-9;
}

void forgetUploads() {
  for (DotLayer* layer :
       {dotLayerTable->coarse.get(), dotLayerTable->medium.get(), dotLayerTable->fine.get()}) {
    layer->colorsUploaded = false;
    layer->scalesUploaded = false;
  }
}

void darkDisc() {
  glColor3f(0.1f, 0.1f, 0.1f);
  glBegin(GL_TRIANGLE_FAN);
  glVertex2f(0, 0);
  for (int i = 0; i <= 48; ++i) {
    const float a = i * 6.2831853f / 48;
    glVertex2f(0.6f * std::cos(a), 0.9f * std::sin(a));
  }
  glEnd();
}

void measure(int mode, float phase, Load load) {
  sceneParams.dotMode = mode;
  sceneParams.dotPhase = phase;
  sceneParams.dotScale = 1.0f;
  forgetUploads();
  bindRenderTarget("RT_DEFAULT2");
  drawDotField(1.0f, {1, 1, 1, 1});  // warm-up frame, not counted
  glFinish();
  const uint64_t bytesBefore = dotFieldStats.bytesUploaded;
  const uint64_t drawsBefore = dotFieldStats.layerDraws;
  std::vector<DotDrawRecord> trace;
  dotDrawTrace = &trace;
  double cpu = 0.0, wall = 0.0;
  for (int frame = 0; frame < kFrames; ++frame) {
    if (load == Load::MovingScale) sceneParams.dotScale = 1.0f + 0.01f * (frame + 1);
    if (load == Load::UploadAlways) forgetUploads();
    glClear(GL_COLOR_BUFFER_BIT);
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = threadSeconds();
    drawDotField(1.0f, {1, 1, 1, 1});
    cpu += threadSeconds() - cpuStart;
    glFinish();
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  }
  dotDrawTrace = nullptr;
  double everyPass = 0.0;
  for (const DotDrawRecord& record : trace) everyPass += record.layer->vertexCount() * 20.0;
  glPopAttrib();
  gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  const char* loads[3] = {"still", "moving scale", "upload always"};
  std::printf(
      "mode %d  phase %-3g  %-13s  %2.0f passes  %9.0f bytes/frame  cpu %7.3f ms  wall %7.2f ms"
      "  (every pass: %9.0f)\n",
      mode, phase, loads[static_cast<int>(load)],
      double(dotFieldStats.layerDraws - drawsBefore) / kFrames,
      double(dotFieldStats.bytesUploaded - bytesBefore) / kFrames, cpu / kFrames * 1e3,
      wall / kFrames * 1e3, everyPass / kFrames);
}

}  // namespace

int main() {
  dotFieldContext(1280, 720);
  paintPicture(darkDisc);
  std::printf("drawDotField per frame, 1280 x 1280 targets, %d frames each\n", kFrames);
  for (int mode : {1, 2}) {
    for (float phase : {0.0f, 0.5f, 2.0f}) {
      for (Load load : {Load::Still, Load::MovingScale, Load::UploadAlways}) {
        measure(mode, phase, load);
      }
    }
  }
  return 0;
}
