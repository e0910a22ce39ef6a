// Where the flash analyser's frames come from: a folder of PNG pictures taken in name order (as
// nightloom --frames writes them), or a video that ffmpeg decodes to raw RGB.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // The next frame as width x height RGB, rows top first; false at the end, or on a failure with
  // error() set.
  virtual bool next(std::vector<uint8_t>& rgb) = 0;
  const std::string& error() const { return failure; }

  int width = 0;
  int height = 0;
  double fps = 0.0;

 protected:
  std::string failure;
};

// The PNG files of `folder`, sorted by name, shown at `fps`; null with `error` set when there are
// none or the first cannot be read.
std::unique_ptr<FrameSource> openFrameFolder(const std::string& folder, double fps,
                                             std::string& error);

// The first video stream of `path` at its own frame rate, through ffprobe and ffmpeg; null with
// `error` set when they cannot read it.
std::unique_ptr<FrameSource> openVideo(const std::string& path, std::string& error);
