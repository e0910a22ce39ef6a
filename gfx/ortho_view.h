// Full-screen passes (the composite, the overlay, the fades) draw in a -1..1 orthographic view
// with an identity modelview. These push both matrices and pop them again in the same order
// everywhere: projection first, then modelview, which stays selected.
#pragma once

#include "gfx/gl.h"

inline void pushOrthoView() {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(-1, 1, -1, 1, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
}

inline void popOrthoView() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}
