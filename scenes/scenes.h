// The pictures the timeline runs: three scenes that draw into the bound render target, the overlay
// laid over the finished frame, the textured strips all lettering is made of, the closing credits
// roll and the text scenes.
#pragma once

#include <cstdint>

#include "gfx/gl.h"
#include "scenes/lettering_rows.h"

// Three soft red, green and blue dots that circle, gather and part; beats flip the halftone.
void renderOrbitDots(uint32_t ms, float frameDelta, float sizeFactor);
// A cloud of textured cubes grown by a random walk; beats kick the dot screen.
void renderCubeCloud(uint32_t ms, float frameDelta);
// Fifteen coloured dots closing into a ring; beats cycle the dot pass.
void renderDotRing(uint32_t ms, float frameDelta);

// The subtractive overlay "OVERLAY1" over the whole window.
void drawOverlay();

// Where a strip lands in model-view space: its centre, and the scale from the texture extent it
// cuts to its size on screen.
struct StripPlacement {
  float cx = 0.0f, cy = 0.0f;
  float sx = 1.0f, sy = 1.0f;
};

// The u range a strip cuts from its texture. One from 1 to 0 is drawn upright all the same, only
// its winding flips.
struct TextureColumns {
  float left = 0.0f;
  float right = 1.0f;
};

// One strip of a texture as the lettering draws it: the texture, the blend equation that lays it
// on the frame (GL_FUNC_ADD adds it, GL_FUNC_REVERSE_SUBTRACT takes it away), its intensity at
// full fade, the rows it cuts, where it lands, and its columns (the full width unless given).
struct TextStrip {
  const char* texture;
  GLenum equation;
  float level;
  TextureRows rows;
  StripPlacement placement;
  TextureColumns columns = {};
};

// Draws `strip` with intensity level x `fade`; nothing below an intensity of 0.0001.
void drawLayer(const TextStrip& strip, float fade);
// The two bands of "CREDITS" swinging in around a pivot behind the screen.
void drawCreditsRoll(float frameDelta);
// Title, credit lines, greetings, the roll and the closing message, by demo time.
void drawTextScenes(uint32_t t, float dt);
