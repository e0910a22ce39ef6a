// The two ramps the scenes animate their fades and gathers with.
#pragma once

// value + step, held at limit once a positive step reaches or passes it, or a zero or negative step
// reaches or falls below it.
inline float stepToward(float value, float step, float limit) {
  const float next = value + step;
  if (step > 0.0f ? next >= limit : next <= limit) return limit;
  return next;
}

// Smoothstep of x clamped to [0, 1]: (3 - 2x) x^2.
inline float ease(float x) {
  x = x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x);
  return (3.0f - 2.0f * x) * x * x;
}
