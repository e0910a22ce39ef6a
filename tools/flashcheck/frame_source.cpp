// PNG folders through libpng's simplified reader; videos through ffprobe (size and rate) and an
// ffmpeg process whose standard output carries the raw frames.
#include "tools/flashcheck/frame_source.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// Reads one PNG as 8-bit RGB; false with `error` set.
bool readPng(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgb,
             std::string& error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    error = "cannot read " + path + ": " + image.message;
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
    error = "cannot read " + path + ": " + image.message;
    png_image_free(&image);
    return false;
  }
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return true;
}

class FolderSource final : public FrameSource {
 public:
  explicit FolderSource(std::vector<std::string> names) : files(std::move(names)) {}

  bool next(std::vector<uint8_t>& rgb) override {
    if (index >= files.size() || !failure.empty()) return false;
    int w = 0;
    int h = 0;
    if (!readPng(files[index], w, h, rgb, failure)) return false;
    if (w != width || h != height) {
      failure = files[index] + " is " + std::to_string(w) + "x" + std::to_string(h) +
                ", unlike the frames before it";
      return false;
    }
    ++index;
    return true;
  }

 private:
  std::vector<std::string> files;
  size_t index = 0;
};

// The path in single quotes for the shell.
std::string quoted(const std::string& path) {
  std::string text = "'";
  for (char c : path) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return text + "'";
}

// Runs `command` and returns its whole standard output.
std::string outputOf(const std::string& command) {
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return text;
  char buffer[256];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
  pclose(pipe);
  return text;
}

class VideoSource final : public FrameSource {
 public:
  ~VideoSource() override {
    if (pipe) pclose(pipe);
  }

  bool start(const std::string& path) {
    const std::string command =
        "ffmpeg -v error -nostdin -i " + quoted(path) + " -map 0:v:0 -f rawvideo -pix_fmt rgb24 -";
    pipe = popen(command.c_str(), "r");
    return pipe != nullptr;
  }

  bool next(std::vector<uint8_t>& rgb) override {
    if (!pipe) return false;
    rgb.resize(static_cast<size_t>(width) * height * 3);
    const size_t got = std::fread(rgb.data(), 1, rgb.size(), pipe);
    if (got == rgb.size()) return true;
    const int status = pclose(pipe);
    pipe = nullptr;
    if (got != 0) failure = "the video ended inside a frame";
    if (status != 0) failure = "ffmpeg could not decode the whole video";
    return false;
  }

 private:
  FILE* pipe = nullptr;
};

// "30/1" or "30000/1001" as frames per second; 0 when it is neither.
double parseRate(const std::string& text) {
  double numerator = 0.0;
  double denominator = 1.0;
  char slash = 0;
  std::istringstream in(text);
  in >> numerator >> slash >> denominator;
  return slash == '/' && denominator > 0.0 ? numerator / denominator : 0.0;
}

}  // namespace

std::unique_ptr<FrameSource> openFrameFolder(const std::string& folder, double fps,
                                             std::string& error) {
  std::error_code failed;
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, failed)) {
    if (entry.path().extension() == ".png") names.push_back(entry.path().string());
  }
  if (failed) {
    error = "cannot list " + folder + ": " + failed.message();
    return nullptr;
  }
  if (names.empty()) {
    error = folder + " holds no .png frames";
    return nullptr;
  }
  std::sort(names.begin(), names.end());
  std::vector<uint8_t> first;
  int width = 0;
  int height = 0;
  if (!readPng(names.front(), width, height, first, error)) return nullptr;
  auto source = std::make_unique<FolderSource>(std::move(names));
  source->width = width;
  source->height = height;
  source->fps = fps;
  return source;
}

std::unique_ptr<FrameSource> openVideo(const std::string& path, std::string& error) {
  if (!fs::is_regular_file(path)) {
    error = path + " is neither a video file nor a folder of frames";
    return nullptr;
  }
  const std::string probe = outputOf(
      "ffprobe -v error -select_streams v:0 -show_entries stream=width,height,r_frame_rate "
      "-of csv=p=0 " +
      quoted(path) + " 2>/dev/null");
  std::istringstream fields(probe);
  std::string width, height, rate;
  std::getline(fields, width, ',');
  std::getline(fields, height, ',');
  std::getline(fields, rate);
  auto source = std::make_unique<VideoSource>();
  source->width = std::atoi(width.c_str());
  source->height = std::atoi(height.c_str());
  source->fps = parseRate(rate);
  if (source->width <= 0 || source->height <= 0 || source->fps <= 0.0) {
    error = "ffprobe finds no video stream in " + path + " (is ffmpeg installed?)";
    return nullptr;
  }
  if (!source->start(path)) {
    error = "cannot start ffmpeg to decode " + path;
    return nullptr;
  }
  return source;
}
