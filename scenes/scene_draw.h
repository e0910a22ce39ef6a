// Small helpers the scenes share: taking the low-band beat, looking a texture up by name and
// binding it to unit 0 the way every scene does, and the soft textured dot quad of the orbit and
// ring scenes.
#pragma once

#include "app/scene_params.h"
#include "assets/texture_registry.h"
#include "audio/spectrum.h"
#include "gfx/gl.h"

namespace scenes {

// Reads the beat flags of bands 0 and 1 and clears both, so a later reader in the same frame sees
// no beat; true when either was set.
inline bool takeLowBeat() {
  const bool beat = spectrumAnalyzer.beat[0] > 0 || spectrumAnalyzer.beat[1] > 0;
  spectrumAnalyzer.beat[0] = 0;
  spectrumAnalyzer.beat[1] = 0;
  return beat;
}

// With reduced flashing a beat counts only when the last one that counted lies this much demo time
// back: at 120 beats a minute every kick still moves the picture, but the beats' changes come at
// most three to a second at any frame rate, where a beat flagged in consecutive frames would
// otherwise switch the dot pass once per frame.
inline constexpr uint32_t kCalmBeatGapMs = 400;

// `beat`, unless flashing is reduced and the last beat that counted is too recent.
inline bool calmBeat(bool beat, uint32_t ms) {
  SceneParams& p = sceneParams;
  if (!beat || !p.reduceFlashing) return beat;
  if (ms < p.nextCalmBeatMs) return false;
  p.nextCalmBeatMs = ms + kCalmBeatGapMs;
  return true;
}

// With reduced flashing the layer phase moves towards where a scene puts it at most this fast, in
// phase units per second of demo time.
inline constexpr float kCalmPhasePerSecond = 2.0f;

// The dot phase a scene sets, `target`, reached at once, or with reduced flashing no faster than
// kCalmPhasePerSecond from the phase of the frame before.
inline float calmPhase(float target, float frameDelta) {
  const SceneParams& p = sceneParams;
  if (!p.reduceFlashing) return target;
  const float most = kCalmPhasePerSecond * frameDelta * 0.5f;  // frameDelta counts 500 ms
  return target > p.dotPhase + most   ? p.dotPhase + most
         : target < p.dotPhase - most ? p.dotPhase - most
                                      : target;
}

// With reduced flashing a beat's jump in dot size keeps this share of its height above 1.
inline constexpr float kCalmScaleShare = 0.33f;

// The dot scale a beat picks, or with reduced flashing the same jump kCalmScaleShare as high.
inline float calmScale(float scale) {
  return sceneParams.reduceFlashing ? 1.0f + (scale - 1.0f) * kCalmScaleShare : scale;
}

// The named texture from the current registry, or null when there is no registry or no such name.
inline Texture* findSceneTexture(const char* name) {
  return currentTextureRegistry ? currentTextureRegistry->requireTexture(name) : nullptr;
}

// Binds the named texture to unit 0 (activate, enable its target, bind); a missing one leaves the
// texture state as it was. Returns what it bound.
inline Texture* bindSceneTexture(const char* name) {
  Texture* texture = findSceneTexture(name);
  if (texture) bindTextureToUnit(*texture, 0);
  return texture;
}

// One square dot of half-size `size` centred on (x, y) at z = -1, texture row 0 at the bottom.
inline void drawDotQuad(float x, float y, float size) {
  glBegin(GL_QUADS);
  gl::glMultiTexCoord2f(GL_TEXTURE0, 0.0f, 1.0f);
  glVertex3f(x - size, y + size, -1.0f);
  gl::glMultiTexCoord2f(GL_TEXTURE0, 1.0f, 1.0f);
  glVertex3f(x + size, y + size, -1.0f);
  gl::glMultiTexCoord2f(GL_TEXTURE0, 1.0f, 0.0f);
  glVertex3f(x + size, y - size, -1.0f);
  gl::glMultiTexCoord2f(GL_TEXTURE0, 0.0f, 0.0f);
  glVertex3f(x - size, y - size, -1.0f);
  glEnd();
}

// Radius of a gathering orbit: 3 with no gather, falling along a smoothstep to 0 at full gather.
inline float gatherRadius(float gather) {
  const float k = gather < 0.0f ? 0.0f : (gather > 1.0f ? 1.0f : gather);
  return 3.0f - 3.0f * k * k * (3.0f - 2.0f * k);
}

// The subtractive state both dot scenes draw with: white minus colour times texel.
inline void beginSubtractiveDots() {
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  gl::setBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
  glBlendFunc(GL_ONE, GL_ONE);
}

inline void endSubtractiveDots() {
  gl::setBlendEquation(GL_FUNC_ADD);
  glDisable(GL_BLEND);
}

}  // namespace scenes
