// All lettering of the show by demo time: the title lines, the two pulsing credit lines, sixteen
// greetings one a second, the closing credits roll and the message at the bottom. Each line's
// intensity is an accumulator stepped by the frame delta, so fades last the same at any frame rate.
#include <cmath>

#include "app/scene_params.h"
#include "assets/show_data.h"
#include "base/easing.h"
#include "scenes/scenes.h"

namespace {

// Line 0 rises slowly (dt / 5 a frame, 2.5 s), lines 1 and 2 quickly (2 dt, 250 ms).
struct TitleLine {
  uint32_t risesFrom;
  bool slowRise;
  TextStrip strip;
};

// clang-format off
constexpr TitleLine kTitleLines[3] = {
    {4000,  true,  {kTitleTexture, GL_FUNC_ADD, 0.85f, kTitleRows[0], {0.35f,  0.0f,  1.5f, 1.5f}}},
    {8000,  false, {kTitleTexture, GL_FUNC_ADD, 0.85f, kTitleRows[1], {0.35f, -0.45f, 1.5f, 1.5f}}},
    {10000, false, {kTitleTexture, GL_FUNC_ADD, 0.85f, kTitleRows[2], {0.35f, -0.78f, 1.5f, 1.5f}}},
};
// clang-format on

// Each credit line rises until fallsFrom and falls until gone. Its size breathes with the ring
// scene's phase, so the scale of its placement is set each frame.
struct CreditLine {
  uint32_t risesFrom, fallsFrom, gone;
  TextStrip strip;
};

// clang-format off
constexpr CreditLine kCreditLines[2] = {
    {38000, 42000, 43000, {kCreditsTexture, GL_FUNC_REVERSE_SUBTRACT, 1.0f, kCreditRows[0], {}}},
    {43000, 47000, 48000, {kCreditsTexture, GL_FUNC_REVERSE_SUBTRACT, 1.0f, kCreditRows[1], {}}},
};
// clang-format on

// Greeting i owns one second from kGreetingsFrom + 1000 i; all are added at the centre, mirrored
// in u.
constexpr uint32_t kGreetingsFrom = 49500;
constexpr uint32_t kGreetingsUntil = 68000;

constexpr TextStrip greetingStrip(int i) {
  const char* texture = i < kGreetingsPerTexture ? kGreetings1Texture : kGreetings2Texture;
  return {texture, GL_FUNC_ADD, 1.0f, kGreetingRows[i], {0.0f, 0.0f, 2.1f, 2.1f}, {1.0f, 0.0f}};
}

// A 16:1 strip matching the 1024 x 64 picture, low on the screen.
constexpr TextStrip kMessage = {kMessageTexture,
                                GL_FUNC_REVERSE_SUBTRACT,
                                1.0f,
                                kMessageRows,
                                {0.0f, -0.75f, 1.75f, 0.109375f}};

void drawTitleLine(int i) { drawLayer(kTitleLines[i].strip, ease(sceneParams.titleFade[i])); }

// Rise until 17 s; at exactly 17 000 ms a line rises and then falls in the same frame.
void updateTitle(uint32_t t, float dt) {
  float* fade = sceneParams.titleFade;
  if (t <= 17000) {
    for (int i = 0; i < 3; ++i) {
      if (t < kTitleLines[i].risesFrom) continue;
      const float step = kTitleLines[i].slowRise ? dt / 5.0f : 2.0f * dt;
      fade[i] = stepToward(fade[i], step, 1.0f);
      drawTitleLine(i);
    }
  }
  if (t >= 17000 && t <= 19000) {
    for (int i = 0; i < 3; ++i) {
      fade[i] = stepToward(fade[i], -2.0f * dt, 0.0f);
      drawTitleLine(i);
    }
  }
}

void updateCreditLine(int i, uint32_t t, float dt, float scale) {
  const CreditLine& line = kCreditLines[i];
  float& fade = sceneParams.creditFade[i];
  if (t >= line.risesFrom && t <= line.fallsFrom) {
    fade = stepToward(fade, dt / 5.0f, 1.0f);
  } else if (t >= line.fallsFrom && t <= line.gone) {
    fade = stepToward(fade, -dt, 0.0f);
  } else {
    return;
  }
  TextStrip strip = line.strip;
  strip.placement.sx = scale;
  strip.placement.sy = scale;
  drawLayer(strip, ease(fade));
}

// Each greeting owns one second: up for its first half, down for the second, zero elsewhere.
// All sixteen are stepped before any is drawn.
void updateGreetings(uint32_t t, float dt) {
  float* fade = sceneParams.greetFade;
  for (uint32_t i = 0; i < 16; ++i) {
    const uint32_t w = kGreetingsFrom + 1000 * i;
    if (t >= w && t <= w + 500) {
      fade[i] = stepToward(fade[i], 1.5f * dt, 1.0f);
    } else if (t >= w + 500 && t <= w + 1000) {
      fade[i] = stepToward(fade[i], -1.5f * dt, 0.0f);
    } else {
      fade[i] = 0.0f;
    }
  }
  for (int i = 0; i < 16; ++i) drawLayer(greetingStrip(i), fade[i]);
}

}  // namespace

void drawTextScenes(uint32_t t, float dt) {
  updateTitle(t, dt);
  // The credit lines breathe with the ring scene's phase; the sine is taken in double precision.
  const float sine = static_cast<float>(std::sin(static_cast<double>(sceneParams.ringPhase)));
  const float creditScale = 2.15f + 0.05f * sine;
  updateCreditLine(0, t, dt, creditScale);
  updateCreditLine(1, t, dt, creditScale);
  if (t >= kGreetingsFrom && t <= kGreetingsUntil) updateGreetings(t, dt);
  if (t >= 68000 && t <= 76000) drawCreditsRoll(dt);
  if (t >= 72000 && t <= 76000) {
    sceneParams.messageFade = stepToward(sceneParams.messageFade, dt / 5.0f, 1.0f);
    drawLayer(kMessage, sceneParams.messageFade);
  }
}
