// The show's data files, the one table of them: the eight pictures, each with the texture it
// becomes, and the music. The build-up reads them, the data generator writes them and the build
// lists them as the generator's outputs (tools/datagen/CMakeLists.txt reads the quoted file names
// below), so a picture is added, renamed or resized here alone.
#pragma once

#include <cstdint>

// Every resource the show finds by name, named once: the pictures' textures (the table below),
// the two render targets and the textures drawn into them, the two programs. A lookup of one that
// finds nothing is said once on stderr (the registries' require functions).
inline constexpr const char* kOverlayTexture = "OVERLAY1";
inline constexpr const char* kDotTexture = "DOT";
inline constexpr const char* kTitleTexture = "TITLE";
inline constexpr const char* kSquareTexture = "SQUARE";
inline constexpr const char* kCreditsTexture = "CREDITS";
inline constexpr const char* kGreetings1Texture = "GREETS1";
inline constexpr const char* kGreetings2Texture = "GREETS2";
inline constexpr const char* kMessageTexture = "MESSAGE";
inline constexpr const char* kSceneTarget = "RT_DEFAULT1";  // the scenes' picture
inline constexpr const char* kSceneTexture = "DEFAULT_TARGET1";
inline constexpr const char* kHalftoneTarget = "RT_DEFAULT2";  // the halftone of it
inline constexpr const char* kHalftoneTexture = "DEFAULT_TARGET2";
inline constexpr const char* kOverlayProgram = "OVERLAY";
inline constexpr const char* kDotsProgram = "DOTS";

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
    {"overlay1.p", kOverlayTexture, 1024, 576, PictureFilter::Nearest},
    {"d.p", kDotTexture, 256, 256, PictureFilter::Mipmapped},
    {"title.p", kTitleTexture, 1024, 1024, PictureFilter::Mipmapped},
    {"square.p", kSquareTexture, 512, 512, PictureFilter::Mipmapped},
    {"credits.p", kCreditsTexture, 1024, 1024, PictureFilter::Mipmapped},
    {"greets1.p", kGreetings1Texture, 1024, 1024, PictureFilter::Mipmapped},
    {"greets2.p", kGreetings2Texture, 1024, 1024, PictureFilter::Mipmapped},
    {"message.p", kMessageTexture, 1024, 64, PictureFilter::Mipmapped},
};

inline constexpr const char* kMusicFile = "music.mp3";
