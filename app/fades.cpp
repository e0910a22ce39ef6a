// A cue's alpha inside its window comes from the frame's demo time, not from the frames before it,
// so the live show at any frame rate, a capture and a still lay the same veil over the same moment;
// the done flags only keep a finished cue from being drawn again.
#include "app/fades.h"

#include <cmath>

#include "app/scene_params.h"
#include "gfx/gl.h"
#include "gfx/ortho_view.h"

namespace {
float lerp(float a, float b, float t) { return (1.0f - t) * a + t * b; }

// Inside its window a cue draws the fraction of its time that has passed (the alpha change per ms
// times the ms since its start: 0 at the start, 1 at the end, whichever way the alpha runs); the
// first frame after its window draws its final state and marks it done, so a frame that jumps
// past a whole cue still lands on the cue's end.
void evaluateCue(const FadeCue& cue, int32_t& done, uint32_t frameMs) {
  const auto lo = static_cast<uint32_t>(cue.startMs);
  const auto hi = static_cast<uint32_t>(cue.endMs);
  if (lo <= frameMs && frameMs <= hi) {
    const float rate = static_cast<float>(
        std::fabs(static_cast<double>((cue.toAlpha - cue.fromAlpha) / (cue.endMs - cue.startMs))));
    const float t = rate * (static_cast<float>(frameMs) - cue.startMs);
    drawFadeQuad(cue.fromColour, cue.toColour, cue.fromAlpha, cue.toAlpha, t);
  } else if (frameMs > hi) {
    drawFadeQuad(cue.fromColour, cue.toColour, cue.fromAlpha, cue.toAlpha, 1.0f);
    done = 1;
  }
}
}  // namespace

void drawFadeQuad(const float fromColour[3], const float toColour[3], float fromAlpha,
                  float toAlpha, float t) {
  glColor4f(lerp(fromColour[0], toColour[0], t), lerp(fromColour[1], toColour[1], t),
            lerp(fromColour[2], toColour[2], t), lerp(fromAlpha, toAlpha, t));
  pushOrthoView();
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glBegin(GL_QUADS);
  glVertex3f(-1, 1, -1);
  glVertex3f(1, 1, -1);
  glVertex3f(1, -1, -1);
  glVertex3f(-1, -1, -1);
  glEnd();
  glEnable(GL_CULL_FACE);
  glEnable(GL_DEPTH_TEST);
  popOrthoView();
}

// Alpha blending over the finished frame: alpha 1 covers it with the cue's colour, 0 leaves it.
void drawFadePass(uint32_t frameMs) {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);
  for (int row = 0; row < 2; ++row) {
    if (sceneParams.fadeDone[row]) continue;
    evaluateCue(kFadeCues[row], sceneParams.fadeDone[row], frameMs);
  }
  glEnable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
}
