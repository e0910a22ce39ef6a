// The benchmark: the whole show rendered off screen at a fixed rate, with frame times per scene
// window, frames per second, bytes uploaded per frame, start-up time and peak memory. An interrupt
// ends it after the current frame, without figures.
#pragma once

#include "capture/offscreen.h"

// Renders the show (with reduced flashing when asked) at width x height, fps steps per second,
// and prints the figures; exit status.
int runBench(DisplayFactory makeDisplay, int width, int height, int fps, bool reduceFlashing);
