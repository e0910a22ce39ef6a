// The fade cues laid over the finished frame: from black over the first second, to black over the
// last. Each row draws inside its window, draws its final state once after it, then is done.
#pragma once

#include <cstdint>

struct FadeCue {
  float startMs, endMs;
  float fromColour[3];
  float toColour[3];
  float fromAlpha, toAlpha;
};

inline constexpr FadeCue kFadeCues[2] = {
    {0.0f, 1000.0f, {0, 0, 0}, {0, 0, 0}, 1.0f, 0.0f},
    {75000.0f, 76000.0f, {0, 0, 0}, {0, 0, 0}, 0.0f, 1.0f},
};

// One full-screen quad in the colour and alpha interpolated at t.
void drawFadeQuad(const float fromColour[3], const float toColour[3], float fromAlpha,
                  float toAlpha, float t);

// The frame's fade pass: blending state, every cue in table order at frameMs (updating the done
// flags in sceneParams), then the state restored.
void drawFadePass(uint32_t frameMs);
