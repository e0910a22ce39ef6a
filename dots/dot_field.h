// Turns the picture just rendered into "DEFAULT_TARGET1" into a halftone: every dot looks up the
// picture's darkness at its grid point and grows with it, subtracted from the white target. Mode 1
// draws each layer once; mode 2 three times in red, green and blue at 0, 5 and 15 degrees, which
// leaves cyan, magenta and yellow screens like a printed colour halftone.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/vec4.h"
#include "dots/dot_layer.h"

// The three layers, coarse to fine; the dot-field draw visits them in this order.
struct DotLayerTable {
  std::unique_ptr<DotLayer> coarse;  // 48 x 48
  std::unique_ptr<DotLayer> medium;  // 96 x 96
  std::unique_ptr<DotLayer> fine;    // 192 x 192
};
// The only way to the layers: published by the runtime set-up, read by every dot-field draw.
extern DotLayerTable* dotLayerTable;

// Draws the layers coarse, medium, fine by sceneParams.dotMode, dotPhase and dotScale into the
// bound framebuffer; modes other than 1 and 2 draw nothing.
void drawDotField(float baseAngle, const Vec4& color);

// Draws one layer once. Nothing happens (no GL call) when the phase lies outside [0, 3] or is not
// a number, when the layer's size factor there is below 0.00001, or when the program "DOTS" or one
// of its uniforms is missing.
void drawDotLayer(DotLayer& layer, float baseAngle, float angleOffset, float phase,
                  float scaleFactor, const Vec4& color);

// The size factor of phaseKeys at `phase`; false when the phase is outside [0, 3] or NaN.
bool dotSizeFactor(const std::array<float, 4>& phaseKeys, float phase, float& factor);

// The picture-coordinate rotation of a screen turned by `angleDegrees`: translate(0.5, 0.5) x
// rotateZ(angle) x translate(-0.5, -0.5), column-major.
std::array<float, 16> dotTexMatrix(float angleDegrees);

// Whether a draw leaves out the dots that cannot reach the viewport: on in the show. Switched off,
// every layer is drawn whole, which must give the same pixels (the tests compare the two).
extern bool dotViewCulling;

// Whether a draw also leaves out the dots over picture so light that they change no pixel, reading
// the picture back once per drawDotField to tell: on where the renderer draws on the processor
// (there the read-back is a copy, and every vertex costs the one thread that shades them); off on
// a graphics card, where vertices are cheap and a read-back stalls it. Either way the same pixels.
extern bool dotPictureCulling;

// Counters of the work drawDotLayer did, for the benchmark and the tests.
struct DotFieldStats {
  uint64_t layerDraws = 0;
  uint64_t bytesUploaded = 0;
  uint64_t verticesDrawn = 0;  // only the dots that can reach the viewport are drawn
};
extern DotFieldStats dotFieldStats;

// One drawn layer pass as the tests see it.
struct DotDrawRecord {
  const DotLayer* layer;
  float angle;
  float scale;
  Vec4 color;
};
// When set, every drawn pass is appended here.
extern std::vector<DotDrawRecord>* dotDrawTrace;
