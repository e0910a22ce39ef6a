// The video encoder: ffmpeg as a child process (platform/child_process.h) with a pipe to its
// standard input, fed raw frames, then waited for, or killed; its log read back when it fails. It
// runs apart from the terminal's Ctrl-C, so that the capture, not ffmpeg, decides how an
// interrupted run ends, and it never outlives the capture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/child_process.h"

class VideoEncoder {
 public:
  ~VideoEncoder();  // kills a process still running

  // Starts `command` (its first word looked up on $PATH); its output goes to a log file. False
  // with `error` set when it cannot start.
  bool start(const std::vector<std::string>& command, std::string& error);
  // Writes all of `bytes` to its input; false when it stopped taking them.
  bool send(const uint8_t* bytes, size_t size) { return process.send(bytes, size); }
  // Closes its input and waits for it to end. The wait ends early, the process killed, once
  // `patienceSeconds` have passed or `giveUp` answers true. True when it ended by itself with
  // status 0; otherwise false with `error` set (the last line of its log when it failed).
  bool finish(double patienceSeconds, const std::function<bool()>& giveUp, std::string& error);

 private:
  void kill();
  std::string logTail() const;

  ChildProcess process;
  std::string log;
};

// The ffmpeg command that encodes raw RGB frames from standard input, with the music laid in
// `musicDelayMs` late, into `output`. Without `audible` (--no-music) the sound track is silent:
// the music still drives the beats, as in the live show with its box unticked.
std::vector<std::string> ffmpegCommand(int width, int height, int fps, const std::string& musicPath,
                                       uint32_t musicDelayMs, bool audible,
                                       const std::string& output);
