// The PNG writer of the off-screen runs (--frames, --still), the test pictures and the data
// generator's previews and icon: 8-bit grey, RGB or RGBA rows in, one file out.
#pragma once

#include <cstdint>
#include <string>

// Writes width x height grey, RGB or RGBA pixels (`channels` 1, 3 or 4), rows top first. False with
// `error` set when the file cannot be written.
bool writePngFile(const std::string& path, const uint8_t* pixels, int width, int height,
                  int channels, std::string& error);
