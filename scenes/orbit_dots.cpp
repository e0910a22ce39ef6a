// The orbiting dots: three soft red, green and blue dots circling the centre, subtracted from the
// white target so they show as cyan, magenta and yellow. They fly in, gather, part and leave; in
// the first window beats toggle the halftone pass, in the second they step it through its variants.
#include <algorithm>
#include <cmath>

#include "app/scene_params.h"
#include "assets/show_data.h"
#include "audio/spectrum.h"
#include "scenes/scene_draw.h"
#include "scenes/scenes.h"

namespace {

// 10-19 s: a beat in band 0 or 1 flips the dot pass; 48-68 s: every second beat frame (any band,
// flags left set) steps it 0 -> 1 -> 2 -> 1, and the layer phase follows the orbit.
void reactToBeats(uint32_t ms, float frameDelta) {
  SceneParams& p = sceneParams;
  if (ms >= 10000 && ms <= 19000) {
    if (scenes::calmBeat(scenes::takeLowBeat(), ms)) p.dotMode = p.dotMode == 0 ? 1 : 0;
  } else if (ms >= 48000 && ms <= 68000) {
    bool anyBeat = false;
    for (int band = 0; band < SpectrumAnalyzer::bandCount; ++band) {
      if (spectrumAnalyzer.beat[band] > 0) anyBeat = true;
    }
    if (scenes::calmBeat(anyBeat, ms)) {
      p.beatCounter += 1;
      if (p.beatCounter >= 2) {
        p.beatCounter = 0;
        p.dotMode = p.dotMode == 0 ? 1 : (p.dotMode == 1 ? 2 : 1);
      }
    }
    // Read before the phase advances this frame.
    const float sine = static_cast<float>(std::sin(static_cast<double>(p.orbitPhase)));
    p.dotPhase = scenes::calmPhase(static_cast<float>(sine + 1.0), frameDelta);
  }
}

// Moves orbitGather for the frame and returns the dot half-size.
float updateGatherAndSize(uint32_t ms, float frameDelta, float sizeFactor) {
  SceneParams& p = sceneParams;
  const float step = frameDelta / 5.0f;
  if (ms <= 4000) {
    p.orbitGather = std::min(p.orbitGather + step, 0.95f);
  } else if (ms >= 6000 && ms <= 10000) {
    p.orbitGather = std::max(p.orbitGather - step, 0.8f);
  } else if (ms >= 16000 && ms <= 19000) {
    p.orbitGather = std::max(p.orbitGather - step, 0.0f);
  }
  if (ms < 48000 || ms > 68000) return sizeFactor;
  const float sine = static_cast<float>(std::sin(static_cast<double>(p.orbitPhase)));
  const float size = static_cast<float>((sine * 0.1 + 1.0) * sizeFactor);
  if (ms <= 52000) {
    p.orbitGather = std::min(p.orbitGather + step, 0.95f);
  } else if (ms >= 66000) {
    p.orbitGather = std::max(p.orbitGather - step, 0.0f);
  }
  return size;
}

}  // namespace

void renderOrbitDots(uint32_t ms, float frameDelta, float sizeFactor) {
  SceneParams& p = sceneParams;
  scenes::beginSubtractiveDots();
  reactToBeats(ms, frameDelta);
  p.orbitPhase += frameDelta;
  const float size = updateGatherAndSize(ms, frameDelta, sizeFactor);
  const float radius = scenes::gatherRadius(p.orbitGather);

  scenes::bindSceneTexture(kDotTexture);
  const size_t dotCount = std::min<size_t>(3, p.tripleDotColors.size());
  for (size_t i = 0; i < dotCount; ++i) {
    // A third of a turn between the dots.
    const double angle = static_cast<double>(i) * 2.0943951023931935 + p.orbitPhase;
    const float x = static_cast<float>(std::sin(angle) * radius);
    const float y = static_cast<float>(std::cos(angle) * radius);
    const Vec4& colour = p.tripleDotColors[i];
    glColor4f(colour.x, colour.y, colour.z, 1.0f);
    scenes::drawDotQuad(x, y, size);
  }
  scenes::endSubtractiveDots();
}
