// The video encoder: ffmpeg as a child process (platform/child_process.h) with a pipe to its
// standard input, fed raw frames, then waited for, or killed; its log read back when it fails. It
// runs apart from the terminal's Ctrl-C, so that the capture, not ffmpeg, decides how an
// interrupted run ends, and it never outlives the capture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
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

// What --capture writes, chosen by the file's extension: the publishing MP4 (H.264 in 4:2:0 with
// the BT.709 matrix and tags, AAC sound) or the lossless master (FFV1 RGB frames and the very
// float samples the MP4's sound encoder is fed, in Matroska).
enum class VideoFormat { Mp4, Master };

// The MP4's quality by default: x264's constant rate factor (0 lossless to 51 worst).
inline constexpr int kDefaultCrf = 20;

struct EncoderSettings {
  VideoFormat format = VideoFormat::Mp4;
  int crf = kDefaultCrf;  // the MP4's only
  bool audible = true;    // false (--no-music): a silent sound track of the show's length
};

// The format a capture path asks for by its extension (".mp4" or ".mkv", any case); nothing for
// any other.
std::optional<VideoFormat> videoFormatFor(const std::string& path);
// The sentence that refuses any other extension, naming the two.
std::string unknownVideoFormatMessage(const std::string& path);
// The extension of a format's files, with its dot.
const char* videoFormatExtension(VideoFormat format);
// The streams a capture holds and their colour tags, for the line that says what was written:
// "H.264 yuv420p crf 20, BT.709 limited range; AAC 192 kb/s".
std::string describeStreams(const EncoderSettings& settings);

// The sound track's filter: the music laid in `musicDelayMs` late, padded with silence or cut to
// the show's length, muted without `audible`.
std::string musicFilter(uint32_t musicDelayMs, bool audible);

// The ffmpeg command that encodes raw frames from standard input (BGRA, rows bottom first, as
// readFrameAsRead gives them), with the music laid in
// `musicDelayMs` late, into `output` in the settings' format. Without `audible` (--no-music) the
// sound track is silent: the music still drives the beats, as in the live show with its box
// unticked.
std::vector<std::string> ffmpegCommand(int width, int height, int fps, const std::string& musicPath,
                                       uint32_t musicDelayMs, const EncoderSettings& settings,
                                       const std::string& output);
