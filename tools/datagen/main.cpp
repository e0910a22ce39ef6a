// nightloom-datagen: writes the show's data (eight .p pictures and music.mp3) into a directory,
// the same bytes on every run. The build runs it to fill build/Data/; --preview also writes every
// picture as a PNG for people to look at, --icon draws the desktop menu's icon and --windows-icon
// the .ico the Windows program carries.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/packed_image.h"
#include "assets/show_data.h"
#include "tools/datagen/icon.h"
#include "tools/datagen/music.h"
#include "tools/datagen/pictures.h"

namespace {

struct Options {
  std::string outputDirectory;
  std::string previewDirectory;
  std::string fontDirectory = "/usr/share/fonts/truetype/dejavu";
  bool pictures = true;
  bool music = true;
  int iconSize = 0;  // --icon SIZE FILE; 0: no icon
  std::string iconPath;
  std::string windowsIconPath;  // --windows-icon FILE.ico
};

void printHelp() {
  std::string pictures;
  for (const PictureFile& file : kPictureFiles) pictures += std::string(" ") + file.file;
  std::printf(
      "usage: nightloom-datagen [options] OUTPUT_DIR\n"
      "       nightloom-datagen --icon SIZE FILE.png | --windows-icon FILE.ico\n"
      "Writes the show's pictures (%s) and its music (%s)\n"
      "into OUTPUT_DIR, normally the build tree's Data/.\n"
      "  --preview DIR   also write every picture as DIR/<name>.png\n"
      "  --fonts DIR     DejaVu font directory (default /usr/share/fonts/truetype/dejavu)\n"
      "  --no-music      pictures only\n"
      "  --no-pictures   music only\n"
      "  --icon SIZE FILE.png  the menu icon, SIZE x SIZE pixels (16 to 1024)\n"
      "  --windows-icon FILE.ico  the program's icon for Windows: 16, 32, 48 and 256 px\n"
      "  --help          this text\n",
      pictures.c_str() + 1, kMusicFile);
}

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      printHelp();
      std::exit(0);
    } else if (arg == "--preview" && hasValue) {
      options.previewDirectory = argv[++i];
    } else if (arg == "--fonts" && hasValue) {
      options.fontDirectory = argv[++i];
    } else if (arg == "--no-music") {
      options.music = false;
    } else if (arg == "--no-pictures") {
      options.pictures = false;
    } else if (arg == "--icon" && i + 2 < argc) {
      options.iconSize = std::atoi(argv[++i]);
      options.iconPath = argv[++i];
    } else if (arg == "--windows-icon" && hasValue) {
      options.windowsIconPath = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && options.outputDirectory.empty()) {
      options.outputDirectory = arg;
    } else {
      std::fprintf(stderr, "nightloom-datagen: error: unexpected argument '%s' (try --help)\n",
                   arg.c_str());
      return false;
    }
  }
  if (options.outputDirectory.empty() && options.iconPath.empty() &&
      options.windowsIconPath.empty()) {
    std::fprintf(stderr, "nightloom-datagen: error: no output directory given (try --help)\n");
    return false;
  }
  return true;
}

bool makeDirectory(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error) {
    std::fprintf(stderr, "nightloom-datagen: error: cannot create %s: %s\n", path.c_str(),
                 error.message().c_str());
    return false;
  }
  return true;
}

bool writePictures(const Options& options) {
  Typesetter type;
  std::string error;
  std::vector<Picture> pictures;
  if (!type.open(options.fontDirectory) || !drawPictures(type, pictures, error)) {
    if (error.empty()) error = type.lastError();
    std::fprintf(stderr, "nightloom-datagen: error: %s\n", error.c_str());
    return false;
  }
  // Every picture is white marks on black, so one grey palette (index = level) serves them all.
  const std::vector<uint8_t> palette = greyPalette();
  for (const Picture& picture : pictures) {
    const std::vector<uint8_t> levels = picture.image.levels();
    const std::vector<uint8_t> packed =
        encodePackedImage(levels.data(), picture.image.width, picture.image.height, palette.data());
    bool ok =
        !packed.empty() && writeFile(options.outputDirectory + "/" + picture.file, packed, error);
    if (ok && !options.previewDirectory.empty()) {
      const std::string stem = picture.file.substr(0, picture.file.find('.'));
      ok = writeGreyPng(options.previewDirectory + "/" + stem + ".png", picture.image, error);
    }
    if (!ok) {
      std::fprintf(stderr, "nightloom-datagen: error: %s\n",
                   error.empty() ? ("cannot encode " + picture.file).c_str() : error.c_str());
      return false;
    }
  }
  return true;
}

bool writeMusic(const Options& options) {
  const std::vector<float> stereo = renderMusic();
  std::vector<uint8_t> mp3;
  std::string error;
  if (!encodeMp3(stereo, mp3, error) ||
      !writeFile(options.outputDirectory + "/" + kMusicFile, mp3, error)) {
    std::fprintf(stderr, "nightloom-datagen: error: %s\n", error.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) return 2;
  std::string error;
  if ((!options.iconPath.empty() && !writeIcon(options.iconPath, options.iconSize, error)) ||
      (!options.windowsIconPath.empty() && !writeWindowsIcon(options.windowsIconPath, error))) {
    std::fprintf(stderr, "nightloom-datagen: error: %s\n", error.c_str());
    return 1;
  }
  if (options.outputDirectory.empty()) return 0;
  if (!makeDirectory(options.outputDirectory)) return 1;
  if (!options.previewDirectory.empty() && !makeDirectory(options.previewDirectory)) return 1;
  if (options.pictures && !writePictures(options)) return 1;
  if (options.music && !writeMusic(options)) return 1;
  return 0;
}
