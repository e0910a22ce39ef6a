// libpng reports failures by jumping out of the call; everything it could jump over is plain
// data, and the caller only ever sees true or false with the file named.
#include "capture/png_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool writePngFile(const std::string& path, const uint8_t* pixels, int width, int height,
                  int channels, std::string& error) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  // libpng reports a failure by jumping back here; nothing below may need a destructor.
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    error = "libpng failed while writing " + path;
    return false;
  }
  png_init_io(png, file);
  // A capture writes thousands of frames: a light level is several times faster than the default
  // for files a little larger.
  png_set_compression_level(png, 3);
  const int colourType = channels == 1   ? PNG_COLOR_TYPE_GRAY
                         : channels == 4 ? PNG_COLOR_TYPE_RGBA
                                         : PNG_COLOR_TYPE_RGB;
  png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t stride = static_cast<size_t>(width) * channels;
  for (int row = 0; row < height; ++row) {
    png_write_row(png, const_cast<uint8_t*>(pixels + row * stride));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  if (std::fclose(file) != 0) {
    error = "cannot finish " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}
