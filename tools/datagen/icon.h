// The desktop menu's icon, drawn from the show's own artwork: the black title disc with its
// spectral rim, filled with the title's halftone ramp of white dots, on a white paper tile that
// greys toward its edge like the overlay's vignette.
#pragma once

#include <string>

// Writes the icon as a `size` x `size` RGBA PNG (transparent round the tile's corners). False with
// a one-line reason in `error`.
bool writeIcon(const std::string& path, int size, std::string& error);

// Writes the icon as a Windows .ico file holding the 16, 32, 48 and 256 px images (32-bit, with
// alpha), each drawn at its own size. False with a one-line reason in `error`.
bool writeWindowsIcon(const std::string& path, std::string& error);
