// Test pictures for the build-up and the dot field: .p files written with the packed-image
// encoder into a fresh Data/ directory, and the show's graphics assets plus the dot-field runtime
// built once per process over them on the headless context.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DemoContext;

// A fresh temporary directory with an empty Data/ in it; the process moves into it.
std::string enterTempDataDir(const char* tag);

// Writes Data/<file> as a picture of `indices` (rows top first) over a grey palette
// (entry i = (i, i, i)).
bool writeGreyPicture(const std::string& file, const std::vector<uint8_t>& indices, int width,
                      int height);

// The dot sprite: a white disc on black filling the square, soft by one texel at the rim.
std::vector<uint8_t> discSprite(int size);

// headlessGL(width, height), a temp Data/ holding only the dot sprite d.p, the graphics assets
// (render targets width x width) and the DemoRuntime; made once per process.
DemoContext& dotFieldContext(int width = 1280, int height = 720);

// Renders into "RT_DEFAULT1": white, then `draw` in a -1..1 orthographic view of the band.
void paintPicture(void (*draw)());

// Binds "RT_DEFAULT2", clears it white, runs drawDotField(1, white) with the given controls and
// reads the band back (rows bottom-up); leaves framebuffer 0 bound.
std::vector<uint8_t> halftone(int mode, float phase, float scale, int& width, int& height);
