// The closing credits roll: two bands cut from "CREDITS" swing in around a vertical axis behind the
// screen centre, in opposite directions, and rest there darkening the picture. Back-face culling
// keeps each band hidden until it has turned past 90 degrees.
#include "app/scene_params.h"
#include "assets/show_data.h"
#include "base/easing.h"
#include "scenes/scene_draw.h"
#include "scenes/scenes.h"

namespace {

// With reduced flashing the bands do not sweep their lettering across the screen: they turn only
// through these last degrees before rest while they fade in.
constexpr float kCalmRollDegrees = 8.0f;

// One band 4 units wide at z = 0, listed clockwise as seen at angle 0 so culling hides it until
// it faces the viewer from behind the pivot.
void drawBand(float angle, const TextureRows& rows, float halfHeight) {
  const float vTop = rows.top, vBottom = rows.bottom;
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -2.0f);
  glRotatef(angle, 0.0f, 1.0f, 0.05f);
  glTranslatef(0.0f, 0.0f, 1.0f);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, vTop);
  glVertex3f(2.0f, halfHeight, 0.0f);
  glTexCoord2f(0.0f, vBottom);
  glVertex3f(2.0f, -halfHeight, 0.0f);
  glTexCoord2f(1.0f, vBottom);
  glVertex3f(-2.0f, -halfHeight, 0.0f);
  glTexCoord2f(1.0f, vTop);
  glVertex3f(-2.0f, halfHeight, 0.0f);
  glEnd();
}

}  // namespace

void drawCreditsRoll(float frameDelta) {
  SceneParams& p = sceneParams;
  noteDepthWrites();
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  gl::setBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
  glBlendFunc(GL_ONE, GL_ONE);
  // No program: fixed-function texturing.
  scenes::bindSceneTexture(kCreditsTexture);
  p.rollProgress = stepToward(p.rollProgress, frameDelta / 5.0f, 1.0f);
  // Five half turns of eased progress, times 10 per band: 157.08 degrees at rest.
  const float turns = ease(p.rollProgress) * 5.0f;
  float angle = static_cast<float>(turns * 3.14159265358979);
  float level = 1.0f;
  if (p.reduceFlashing) {
    const float rest = static_cast<float>(5.0f * 3.14159265358979);
    level = ease(p.rollProgress);
    angle = rest - kCalmRollDegrees / 10.0f * (1.0f - level);
  }
  glColor4f(level, level, level, level);

  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  drawBand(angle * 10.0f, kRollRows[0], 0.78f);
  drawBand(angle * -10.0f, kRollRows[1], 0.55f);
  glPopMatrix();
}
