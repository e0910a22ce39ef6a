// The pictures the timeline runs: three scenes that draw into the bound render target, the overlay
// laid over the finished frame, the textured strips all lettering is made of, the closing credits
// roll and the text scenes.
#pragma once

#include <cstdint>

#include "gfx/gl.h"

// Three soft red, green and blue dots that circle, gather and part; beats flip the halftone.
void renderOrbitDots(uint32_t ms, float frameDelta, float sizeFactor);
// A cloud of textured cubes grown by a random walk; beats kick the dot screen.
void renderCubeCloud(uint32_t ms, float frameDelta);
// Fifteen coloured dots closing into a ring; beats cycle the dot pass.
void renderDotRing(uint32_t ms, float frameDelta);

// The subtractive overlay "OVERLAY1" over the whole window.
void drawOverlay();
// One strip (uStart, vStart)-(uEnd, vEnd) of a texture centred on (cx, cy), scaled by (sx, sy),
// added or subtracted with intensity alpha; nothing below 0.0001.
void drawLayer(const char* texture, GLenum equation, float uStart, float vStart, float uEnd,
               float vEnd, float cx, float cy, float sx, float sy, float alpha);
// The two bands of "CREDITS" swinging in around a pivot behind the screen.
void drawCreditsRoll(float frameDelta);
// Title, credit lines, greetings, the roll and the closing message, by demo time.
void drawTextScenes(uint32_t t, float dt);
