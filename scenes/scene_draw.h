// Small helpers the scenes share: taking the low-band beat, looking a texture up by name and
// binding it to unit 0 the way every scene does, and the soft textured dot quad of the orbit and
// ring scenes.
#pragma once

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

// The named texture from the current registry, or null when there is no registry or no such name.
inline Texture* findSceneTexture(const char* name) {
  return currentTextureRegistry ? currentTextureRegistry->findTexture(name) : nullptr;
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
