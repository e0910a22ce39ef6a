// One frame of the schedule: spectrum, scenes into "RT_DEFAULT1", the halftone pass into
// "RT_DEFAULT2" while dotMode is set, the lettering, the composite and the overlay.
#include "app/timeline.h"

#include "app/scene_params.h"
#include "assets/show_data.h"
#include "assets/texture_registry.h"
#include "audio/spectrum.h"
#include "base/widescreen.h"
#include "dots/dot_field.h"
#include "gfx/display.h"
#include "gfx/frame_passes.h"
#include "gfx/gl.h"
#include "launcher/demo_context.h"
#include "scenes/scenes.h"

const std::array<TimelineEntry, 4> kTimeline = {{
    {0, 19000, TimelineScene::OrbitDots, "orbiting dots", TimelineReset::None, 0},
    {19000, 37000, TimelineScene::CubeCloud, "cube cloud", TimelineReset::CubeCloudEntry, 19500},
    {37000, 48000, TimelineScene::DotRing, "dot ring", TimelineReset::DotRingEntry, 37500},
    {48000, 68000, TimelineScene::OrbitDotsLarge, "orbiting dots", TimelineReset::None, 0},
}};

namespace {

// GL clamps the clear depth to [0, 1], so this clears to the far plane, 1.0, like any value of 1
// or more; it is the single-precision 1000.1 widened to double.
constexpr double kClearDepth = 1000.0999755859375;
constexpr GLbitfield kClearAll = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT;

void applyReset(TimelineReset reset) {
  SceneParams& params = sceneParams;
  switch (reset) {
    case TimelineReset::CubeCloudEntry:
      params.beatCounter = 0;
      params.dotMode = 1;
      params.dotPhase = 2.0f;
      break;
    case TimelineReset::DotRingEntry:
      params.dotMode = 0;
      params.dotPhase = 1.0f;
      params.dotScale = 1.0f;
      params.beatCounter = 0;
      break;
    case TimelineReset::None:
      break;
  }
}

void drawScene(TimelineScene scene, uint32_t ms, float frameDelta) {
  switch (scene) {
    case TimelineScene::OrbitDots:
      renderOrbitDots(ms, frameDelta, 1.0f);
      break;
    case TimelineScene::CubeCloud:
      renderCubeCloud(ms, frameDelta);
      break;
    case TimelineScene::DotRing:
      renderDotRing(ms, frameDelta);
      sceneParams.orbitGather = 0.0f;
      break;
    case TimelineScene::OrbitDotsLarge:
      renderOrbitDots(ms, frameDelta, 1.5f);
      break;
  }
}

void selectDrawBuffer(GLenum buffer) { gl::glDrawBuffers(1, &buffer); }

// Binds a target, selects its colour attachment and clears what is bound; true when the target
// was bound (and the viewport attribute pushed, to be popped by endTarget).
bool beginTarget(const char* name) {
  const bool bound = bindRenderTarget(name);
  selectDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
  clearBoundTarget(kClearAll);
  return bound;
}

void endTarget(bool bound) {
  if (bound) glPopAttrib();
  gl::bindFrameTarget();
}

// The composite covers the letterbox viewport with an opaque quad and nothing after it tests depth
// or stencil, so only a window wider or taller than its viewport (the bars) needs clearing.
void clearWindowOutsideViewport(const DemoContext& context) {
  int width = context.width, height = context.height;
  if (context.display) context.display->drawableSize(width, height);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  const bool covered = viewport[0] <= 0 && viewport[1] <= 0 && viewport[0] + viewport[2] >= width &&
                       viewport[1] + viewport[3] >= height;
  if (!covered) glClear(kClearAll);
}

}  // namespace

// Windows may touch (both bounds count), so at 19 000, 37 000 and 48 000 ms two scenes draw; a
// window's reset repeats every frame until its resetUntilMs, so a frame rate too low to land in
// the first half second still gets it.
void runScheduledScenes(uint32_t ms, float frameDelta, SceneDrawer draw) {
  if (draw == nullptr) draw = drawScene;
  for (const TimelineEntry& entry : kTimeline) {
    if (ms < entry.startMs || ms > entry.endMs) continue;
    if (entry.reset != TimelineReset::None && ms <= entry.resetUntilMs) applyReset(entry.reset);
    draw(entry.scene, ms, frameDelta);
  }
}

void renderTimeline(DemoContext& context) {
  const uint32_t ms = context.ms;
  const float frameDelta = context.frameDelta;
  spectrumAnalyzer.updateSpectrum(context.music, ms);

  markPass(FramePass::Scenes);
  glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
  glClearDepth(kClearDepth);
  bool bound = beginTarget(kSceneTarget);
  runScheduledScenes(ms, frameDelta);
  // The halftone samples the scenes' picture from the first target, so it is drawn into the
  // second; the lettering then goes into whichever target the window shows, over the dots and
  // never broken into them.
  if (sceneParams.dotMode != 0) {
    endTarget(bound);
    markPass(FramePass::DotsCoarse);
    bound = beginTarget(kHalftoneTarget);
    drawDotField(1.0f, {1.0f, 1.0f, 1.0f, 1.0f});
  }
  markPass(FramePass::Lettering);
  drawTextScenes(ms, frameDelta);
  endTarget(bound);

  // Back on the window (or what stands for it): the chosen target's band, full width, then the
  // overlay over everything.
  markPass(FramePass::Composite);
  selectDrawBuffer(gl::frameTarget.colourBuffer);
  clearWindowOutsideViewport(context);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  compositeTexture(sceneParams.dotMode != 0 ? kHalftoneTexture : kSceneTexture, 1.0f,
                   kCompositeHalfHeight);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  markPass(FramePass::Overlay);
  drawOverlay();
}
