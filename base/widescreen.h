// The show's 16:9, spelled three ways on purpose: each value decides pixels, so each stays as it
// was drawn with, and this is the one place that says why they differ.
#pragma once

// The window's letterbox: the single-precision 16/9, so that a 16:9 window (1920x1080, 1280x720)
// is its own letterbox, not a pixel short.
inline constexpr float kLetterboxRatio = 1.7777778f;

// The band a render target's scenes draw into: full width, 1 / 1.778 of the (square) target's
// height, truncated. 1.778 is a little more than 16/9, so a 1920-wide target gets a band of 1079
// rows from row 420, not 1080, and a 1280-wide one 719 rows from 280.
inline constexpr float kTargetBandRatio = 1.778f;

// The composite quad's half height in the window's -1..1 view: the square texture spread over
// -1.778..1.778 puts its middle 1 / 1.778, the band, on the viewport. It is the band's own 1.778,
// so the 1079 or 719 rows are stretched to the window's 1080 or 720.
inline constexpr float kCompositeHalfHeight = 1.778f;
