// The shared animation state of the show: the dot-field controls the scenes steer, each scene's
// private accumulators, the per-object tables filled at set-up, and the program's one random
// generator. One global instance lives for the whole run. The scenes and the dot field read it
// from here, a header of their own with nothing to link, so their libraries stay below this one.
#pragma once

#include <cstdint>
#include <vector>

#include "base/random.h"
#include "base/vec4.h"

struct SceneParams {
  // Dot-field controls.
  int32_t dotMode = 0;      // 0 off, 1 one pass per layer, 2 three coloured passes per layer
  int32_t beatCounter = 0;  // beats counted since the last change of dotMode
  float dotPhase = 0.0f;    // selects and crossfades the three dot layers
  float dotScale = 1.0f;    // multiplies every dot's size
  float orbitGather = 0.0f;
  float ringPhase = 0.0f;
  int32_t fadeDone[2] = {0, 0};
  // Reduced flashing, the viewer's choice, set for each run: a beat moves the dot pass again only
  // from nextCalmBeatMs on.
  bool reduceFlashing = false;
  uint32_t nextCalmBeatMs = 0;

  // Orbiting dots.
  float orbitPhase = 0.0f;
  // Cube cloud.
  float cubeSpawnTimer = 0.0f;
  float cubeAngle = 0.0f;
  float cubeWobble = 0.0f;
  float cubeKick = 2.0f;
  // Dot ring.
  float ringGather = 0.0f;
  // Credits roll and lettering.
  float rollProgress = 0.0f;
  float titleFade[3] = {};
  float creditFade[2] = {};
  float greetFade[16] = {};
  float messageFade = 0.0f;

  // Tables filled by the runtime set-up.
  std::vector<Vec4> tripleDotColors;
  std::vector<Vec4> cubePositions;
  std::vector<float> cubeScales;
  int32_t cubeLastStep[3] = {0, 0, 0};
  std::vector<Vec4> ringDotColors;
  std::vector<float> ringDotRadii;
  std::vector<float> ringDotSpeeds;
  std::vector<float> ringDotSizes;

  LcgRandom random;
};

inline SceneParams sceneParams;
