// The video encoder process: ffmpeg started with a pipe to its standard input, fed raw frames, then
// waited for, or killed. It runs apart from the terminal's Ctrl-C, so that the capture, not
// ffmpeg, decides how an interrupted run ends, and it never outlives the capture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class VideoEncoder {
 public:
  VideoEncoder();
  ~VideoEncoder();  // kills a process still running
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  // Starts `command` (its first word looked up on $PATH); its output goes to a log file. False
  // with `error` set when it cannot start.
  bool start(const std::vector<std::string>& command, std::string& error);
  // Writes all of `bytes` to its input; false when it stopped taking them.
  bool send(const uint8_t* bytes, size_t size);
  // Closes its input and waits for it to end. The wait ends early, the process killed, once
  // `patienceSeconds` have passed or `giveUp` answers true. True when it ended by itself with
  // status 0; otherwise false with `error` set (the last line of its log when it failed).
  bool finish(double patienceSeconds, const std::function<bool()>& giveUp, std::string& error);

 private:
  struct Process;  // the platform's handles: process, input pipe
  // The full name of `program` on the PATH, and the log's name for the process `processId`;
  // nothing with `error` set when the program is not there.
  std::optional<std::string> locate(const std::string& program, unsigned long processId,
                                    std::string& error);
  // The platform's part of finish(): closes the encoder's input; waits up to `milliseconds` for it
  // to end and gives its exit status (-1 when it cannot be followed), nothing while it runs; lets
  // go of an ended process.
  void closeInput();
  std::optional<int> waitForExit(int milliseconds);
  void release();
  void kill();
  std::string logTail() const;

  std::unique_ptr<Process> process;
  std::string log;
};

// The ffmpeg command that encodes raw RGB frames from standard input, with the music laid in
// `musicDelayMs` late, into `output`. Without `audible` (--no-music) the sound track is silent:
// the music still drives the beats, as in the live show with its box unticked.
std::vector<std::string> ffmpegCommand(int width, int height, int fps, const std::string& musicPath,
                                       uint32_t musicDelayMs, bool audible,
                                       const std::string& output);

// How a user of this system puts `program` on the PATH, as a clause: "install it with ...".
std::string installAdvice(const std::string& program);

// The full name of `program` as found in a directory of $PATH (on Windows with one of %PATHEXT%'s
// extensions when it has none).
std::optional<std::string> findProgram(const std::string& program);
inline bool programOnPath(const std::string& program) { return findProgram(program).has_value(); }
