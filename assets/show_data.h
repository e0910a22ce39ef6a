// The show's data files, the one table of them: the eight pictures, each with the texture it
// becomes, and the music. The build-up reads them, the data generator writes them and the build
// lists them as the generator's outputs (tools/datagen/CMakeLists.txt reads the quoted file names
// below), so a picture is added, renamed or resized here alone.
#pragma once

#include <cstdint>

// How a picture's texture is sampled. The overlay always spans the whole window, so it is
// sampled texel for texel and its thin frame lines stay sharp; the others are drawn at many
// sizes and get mipmaps.
enum class PictureFilter { Nearest, Mipmapped };

struct PictureFile {
  const char* file;     // name inside the Data folder
  const char* texture;  // the texture it becomes
  int32_t width;        // the texture's size, which the file must have
  int32_t height;
  PictureFilter filter;
};

// In build-up order.
inline constexpr PictureFile kPictureFiles[8] = {
    {"overlay1.p", "OVERLAY1", 1024, 576, PictureFilter::Nearest},
    {"d.p", "DOT", 256, 256, PictureFilter::Mipmapped},
    {"title.p", "TITLE", 1024, 1024, PictureFilter::Mipmapped},
    {"square.p", "SQUARE", 512, 512, PictureFilter::Mipmapped},
    {"credits.p", "CREDITS", 1024, 1024, PictureFilter::Mipmapped},
    {"greets1.p", "GREETS1", 1024, 1024, PictureFilter::Mipmapped},
    {"greets2.p", "GREETS2", 1024, 1024, PictureFilter::Mipmapped},
    {"message.p", "MESSAGE", 1024, 64, PictureFilter::Mipmapped},
};

inline constexpr const char* kMusicFile = "music.mp3";
