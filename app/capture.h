// The show rendered off screen on the headless display, through the same frame loop, timeline,
// scenes and fades as the live show, at a fixed frame rate: frame i is drawn at demo time
// floor(i * 1000 / fps). The music runs on the engine's driven clock, so every beat (and so every
// picture) is exactly reproducible. Output: an MP4 through ffmpeg, numbered PNGs, one still, or
// timing figures. Ctrl-C, SIGTERM or SIGHUP stop any of them after the current frame, leaving no
// partial output behind (only the whole frames of --frames).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Options;
struct DemoContext;
class Display;

// Makes the off-screen display (the entry passes the headless backend's factory).
using DisplayFactory = std::unique_ptr<Display> (*)();

// The settings every off-screen run uses: width x height with the 16:9 letterbox, music on (it
// drives the beats) on the clock driven by demo time, no vertical sync.
void prepareOffscreenContext(DemoContext& context, int width, int height);

// Runs --capture, --frames, --still or --bench; returns the process exit status.
int runOffscreen(const Options& options, DisplayFactory makeDisplay);

// Demo time of frame `index` at `fps` frames per second.
inline uint32_t captureFrameTime(uint64_t index, int fps) {
  return static_cast<uint32_t>(index * 1000u / static_cast<uint64_t>(fps));
}

// Number of frames the show presents at `fps` (those before 76 000 ms).
uint64_t captureFrameCount(int fps);

// Demo time at which the music starts at `fps`: the first frame after 3000 ms.
uint32_t captureMusicStartMs(int fps);

// The ffmpeg command that encodes raw RGB frames from standard input, with the music laid in
// `musicDelayMs` late, into `output`. Without `audible` (--no-music) the sound track is silent:
// the music still drives the beats, as in the live show with its box unticked.
std::vector<std::string> ffmpegCommand(int width, int height, int fps, const std::string& musicPath,
                                       uint32_t musicDelayMs, bool audible,
                                       const std::string& output);

// Prints the one line of a run that an interrupt ended, "interrupted at frame N of M; `outcome`",
// and returns the exit status that goes with the interrupt.
int reportInterrupted(uint64_t framesDone, uint64_t frameCount, const std::string& outcome);
