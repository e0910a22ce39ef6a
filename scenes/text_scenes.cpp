// All lettering of the show by demo time: the title lines, the two pulsing credit lines, sixteen
// greetings one a second, the closing credits roll and the message at the bottom. Each line's
// intensity is an accumulator stepped by the frame delta, so fades last the same at any frame rate.
#include <cmath>

#include "app/scene_params.h"
#include "scenes/scenes.h"

namespace {

// Line 0 rises slowly (dt / 5 a frame), lines 1 and 2 quickly (2 dt).
struct TitleLine {
  uint32_t risesFrom;
  float vStart, vEnd;
  float cy;
};

constexpr TitleLine kTitleLines[3] = {
    {4000, 0.0f, 0.492f, 0.0f}, {8000, 0.455f, 0.717f, -0.45f}, {10000, 0.717f, 1.0f, -0.78f}};

struct CreditLine {
  uint32_t risesFrom, fallsFrom, gone;
  float vStart, vEnd;
};

constexpr CreditLine kCreditLines[2] = {{38000, 42000, 43000, 0.0f, 0.15f},
                                        {43000, 47000, 48000, 0.15f, 0.287f}};

// Rows of each greeting in its texture; 0-7 from "GREETS1", 8-15 from "GREETS2".
constexpr float kGreetRows[16][2] = {
    {0.0f, 0.121f},  {0.121f, 0.235f}, {0.235f, 0.364f}, {0.364f, 0.49f},
    {0.49f, 0.62f},  {0.62f, 0.745f},  {0.745f, 0.874f}, {0.874f, 1.0f},
    {0.0f, 0.127f},  {0.127f, 0.247f}, {0.247f, 0.369f}, {0.369f, 0.492f},
    {0.492f, 0.61f}, {0.61f, 0.73f},   {0.73f, 0.852f},  {0.852f, 1.0f}};

void drawTitleLine(int i) {
  const TitleLine& line = kTitleLines[i];
  drawLayer("TITLE", GL_FUNC_ADD, 0.0f, line.vStart, 1.0f, line.vEnd, 0.35f, line.cy, 1.5f, 1.5f,
            0.85f * ease(sceneParams.titleFade[i]));
}

// Rise until 17 s; at exactly 17 000 ms a line rises and then falls in the same frame.
void updateTitle(uint32_t t, float dt) {
  float* fade = sceneParams.titleFade;
  if (t <= 17000) {
    for (int i = 0; i < 3; ++i) {
      if (t < kTitleLines[i].risesFrom) continue;
      const float step = i == 0 ? dt / 5.0f : 2.0f * dt;
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
  drawLayer("CREDITS", GL_FUNC_REVERSE_SUBTRACT, 0.0f, line.vStart, 1.0f, line.vEnd, 0.0f, 0.0f,
            scale, scale, ease(fade));
}

// Each greeting owns one second: up for its first half, down for the second, zero elsewhere.
void updateGreetings(uint32_t t, float dt) {
  float* fade = sceneParams.greetFade;
  for (uint32_t i = 0; i < 16; ++i) {
    const uint32_t w = 49500 + 1000 * i;
    if (t >= w && t <= w + 500) {
      fade[i] = stepToward(fade[i], 1.5f * dt, 1.0f);
    } else if (t >= w + 500 && t <= w + 1000) {
      fade[i] = stepToward(fade[i], -1.5f * dt, 0.0f);
    } else {
      fade[i] = 0.0f;
    }
  }
  for (int i = 0; i < 16; ++i) {
    drawLayer(i < 8 ? "GREETS1" : "GREETS2", GL_FUNC_ADD, 1.0f, kGreetRows[i][0], 0.0f,
              kGreetRows[i][1], 0.0f, 0.0f, 2.1f, 2.1f, fade[i]);
  }
}

}  // namespace

void drawTextScenes(uint32_t t, float dt) {
  updateTitle(t, dt);
  // The credit lines breathe with the ring scene's phase.
  const float sine = static_cast<float>(std::sin(static_cast<double>(sceneParams.ringPhase)));
  const float creditScale = 2.15f + 0.05f * sine;
  updateCreditLine(0, t, dt, creditScale);
  updateCreditLine(1, t, dt, creditScale);
  if (t >= 49500 && t <= 68000) updateGreetings(t, dt);
  if (t >= 68000 && t <= 76000) drawCreditsRoll(dt);
  if (t >= 72000 && t <= 76000) {
    sceneParams.messageFade = stepToward(sceneParams.messageFade, dt / 5.0f, 1.0f);
    // A 16:1 strip matching the 1024 x 64 picture.
    drawLayer("MESSAGE", GL_FUNC_REVERSE_SUBTRACT, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, -0.75f, 1.75f,
              0.109375f, sceneParams.messageFade);
  }
}
