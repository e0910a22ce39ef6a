// The overlay laid over every finished frame and the textured strips all lettering is built from.
// Both draw with the "OVERLAY" program (vertex colour times the texel of "tex") and the one
// blend-equation helper, and leave culling and depth test on, blending off, the equation
// GL_FUNC_ADD.
#include "assets/shader_registry.h"
#include "assets/show_data.h"
#include "gfx/ortho_view.h"
#include "scenes/scene_draw.h"
#include "scenes/scenes.h"

namespace {

// Uses the "OVERLAY" program and binds `textureName` to unit 0 for its "tex" sampler. The program
// is built at start-up; should it be missing the quad is drawn fixed-function instead.
void useOverlayProgram(const char* textureName) {
  ShaderProgram* program =
      currentShaderRegistry ? currentShaderRegistry->requireProgram(kOverlayProgram) : nullptr;
  gl::glUseProgram(program ? program->glId : 0);
  ProgramUniform* sampler = program ? program->findUniform("tex") : nullptr;
  if (scenes::bindSceneTexture(textureName) && sampler) sampler->setInt(0);
}

void restoreAfterOverlay() {
  gl::glUseProgram(0);
  gl::setBlendEquation(GL_FUNC_ADD);
  glDisable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  glEnable(GL_DEPTH_TEST);
}

}  // namespace

void drawOverlay() {
  pushOrthoView();

  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  gl::setBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
  glBlendFunc(GL_ONE, GL_ONE);
  useOverlayProgram(kOverlayTexture);

  // A tenth past every edge, so only the middle of the picture shows; row v = 0 at the top.
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(-1.1f, 1.1f, 0.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(1.1f, 1.1f, 0.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(1.1f, -1.1f, 0.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(-1.1f, -1.1f, 0.0f);
  glEnd();

  restoreAfterOverlay();
  popOrthoView();
}

void drawLayer(const TextStrip& strip, float fade) {
  const float alpha = strip.level * fade;
  if (alpha < 0.0001f) return;
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  gl::setBlendEquation(strip.equation);
  glBlendFunc(GL_ONE, GL_ONE);
  glColor4f(alpha, alpha, alpha, alpha);
  useOverlayProgram(strip.texture);

  // A reversed u range gives a negative half width: still upright, only the winding flips.
  const float uStart = strip.columns.left, uEnd = strip.columns.right;
  const float vStart = strip.rows.top, vEnd = strip.rows.bottom;
  const StripPlacement& at = strip.placement;
  const float hw = (uEnd - uStart) * 0.5f * at.sx;
  const float hh = (vEnd - vStart) * 0.5f * at.sy;
  glBegin(GL_QUADS);
  glTexCoord2f(uStart, vStart);
  glVertex3f(at.cx - hw, at.cy + hh, -1.0f);
  glTexCoord2f(uEnd, vStart);
  glVertex3f(at.cx + hw, at.cy + hh, -1.0f);
  glTexCoord2f(uEnd, vEnd);
  glVertex3f(at.cx + hw, at.cy - hh, -1.0f);
  glTexCoord2f(uStart, vEnd);
  glVertex3f(at.cx - hw, at.cy - hh, -1.0f);
  glEnd();

  restoreAfterOverlay();
  glPopMatrix();
}
