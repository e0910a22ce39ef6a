// The show rendered off screen on the headless display, through the same frame loop, timeline,
// scenes and fades as the live show, at a fixed frame rate: frame i is drawn at demo time
// floor(i * 1000 / fps). The music runs on the engine's driven clock, so every beat (and so every
// picture) is exactly reproducible. Output: an MP4 through ffmpeg, numbered PNGs, one still, or
// timing figures. Ctrl-C, SIGTERM or SIGHUP stop any of them after the current frame, leaving no
// partial output behind (only the whole frames of --frames).
#pragma once

#include "capture/offscreen.h"

struct Options;

// Runs --capture, --frames, --still or --bench; returns the process exit status.
int runOffscreen(const Options& options, DisplayFactory makeDisplay);
