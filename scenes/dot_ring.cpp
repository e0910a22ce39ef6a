// The dot ring: fifteen soft coloured dots, each on its own circle with its own speed and size,
// subtracted from the white target. They close into a ring and leave again; from 38 s every second
// beat frame cycles the dot pass off, variant 1, variant 2 and shakes the ring a little.
#include <algorithm>
#include <cmath>

#include "app/scene_params.h"
#include "assets/show_data.h"
#include "scenes/scene_draw.h"
#include "scenes/scenes.h"

namespace {

constexpr size_t kRingDots = 15;
// With reduced flashing the dots circle (and the layer phase swings) at this share of their speed:
// fifteen soft dots overlapping at full speed pass any point many times a second.
constexpr float kCalmRingSpeed = 0.4f;

size_t ringDotCount() {
  const SceneParams& p = sceneParams;
  return std::min({kRingDots, p.ringDotColors.size(), p.ringDotRadii.size(), p.ringDotSpeeds.size(),
                   p.ringDotSizes.size()});
}

void drawRingDots(float radius) {
  const SceneParams& p = sceneParams;
  const size_t count = ringDotCount();
  for (size_t i = 0; i < count; ++i) {
    // The product in single precision, a fifteenth of a turn per dot added in double.
    const double angle = static_cast<double>(p.ringDotSpeeds[i] * p.ringPhase) +
                         static_cast<double>(i) * 0.4188790204786387;
    const float x = static_cast<float>(std::sin(angle) * radius * p.ringDotRadii[i]);
    const float y = static_cast<float>(std::cos(angle) * radius * p.ringDotRadii[i]);
    const Vec4& colour = p.ringDotColors[i];
    glColor4f(colour.x, colour.y, colour.z, 1.0f);
    scenes::drawDotQuad(x, y, p.ringDotSizes[i]);
  }
}

// Every second beat frame in bands 0 and 1 steps the dot pass 0 -> 1 -> 2 -> 0.
void reactToBeats(uint32_t ms, float frameDelta) {
  SceneParams& p = sceneParams;
  p.dotScale = std::max(p.dotScale - 0.5f * frameDelta, 1.0f);
  if (scenes::calmBeat(scenes::takeLowBeat(), ms)) {
    p.beatCounter += 1;
    if (p.beatCounter >= 2) {
      p.beatCounter = 0;
      p.dotMode = p.dotMode == 0 ? 1 : (p.dotMode == 1 ? 2 : 0);
      p.dotScale = scenes::calmScale(p.random.plusUpTo(1.0f, 0.75f));
      p.ringGather -= static_cast<float>(p.random.next()) * (1.0f / 32768.0f) * 0.01f;
    }
  }
  const float sine = static_cast<float>(std::sin(static_cast<double>(p.ringPhase)));
  p.dotPhase = scenes::calmPhase(static_cast<float>(sine + 1.0), frameDelta);
}

}  // namespace

void renderDotRing(uint32_t ms, float frameDelta) {
  SceneParams& p = sceneParams;
  scenes::beginSubtractiveDots();
  p.ringPhase += p.reduceFlashing ? frameDelta * kCalmRingSpeed : frameDelta;
  const float step = frameDelta / 5.0f;
  if (ms >= 37000 && ms <= 47000) {
    p.ringGather = std::min(p.ringGather + step, 0.9f);
  } else if (ms > 47000 && ms <= 48000) {
    p.ringGather = std::max(p.ringGather - step, 0.0f);
  }
  const float radius = scenes::gatherRadius(p.ringGather);

  scenes::bindSceneTexture(kDotTexture);
  drawRingDots(radius);
  scenes::endSubtractiveDots();

  if (ms >= 38000 && ms <= 48000) reactToBeats(ms, frameDelta);
}
