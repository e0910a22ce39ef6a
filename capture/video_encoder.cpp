// The encoder's side of the ffmpeg process: the command line, finding the program and naming its
// log, waiting for it to finish, and reading the log's last words.
#include "capture/video_encoder.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/frame_loop.h"

namespace {
// How long one wait for the encoder lasts before the caller's giveUp is asked again.
constexpr int kPollMs = 10;
}  // namespace

VideoEncoder::~VideoEncoder() { kill(); }

bool VideoEncoder::start(const std::vector<std::string>& command, std::string& error) {
  const std::string& program = command.front();
  const std::optional<std::string> path = findProgram(program);
  if (!path) {
    error = "cannot find " + program + " on the PATH";
    return false;
  }
  std::error_code noTemp;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(noTemp);
  log = ((noTemp ? std::filesystem::path(".") : temp) /
         ("nightloom-" + program + "-" + std::to_string(currentProcessId()) + ".log"))
            .string();
  if (process.start(*path, command, log, error)) return true;
  std::remove(log.c_str());
  return false;
}

bool VideoEncoder::finish(double patienceSeconds, const std::function<bool()>& giveUp,
                          std::string& error) {
  if (!process.running()) {
    error = "ffmpeg is not running";
    return false;
  }
  process.closeInput();
  const auto started = std::chrono::steady_clock::now();
  std::optional<int> status;
  while (!(status = process.waitForExit(kPollMs))) {
    const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - started;
    if (giveUp() || waited.count() >= patienceSeconds) {
      kill();
      error = "ffmpeg did not finish and was stopped";
      return false;
    }
  }
  const bool ok = *status == 0;
  if (!ok) error = "ffmpeg failed; its last words: " + logTail();
  std::remove(log.c_str());
  return ok;
}

void VideoEncoder::kill() {
  if (!process.running()) return;
  process.kill();
  std::remove(log.c_str());
}

std::vector<std::string> ffmpegCommand(int width, int height, int fps, const std::string& musicPath,
                                       uint32_t musicDelayMs, bool audible,
                                       const std::string& output) {
  char showSeconds[16];
  std::snprintf(showSeconds, sizeof showSeconds, "%.3f", kShowEndMs / 1000.0);
  const std::string audio = "adelay=" + std::to_string(musicDelayMs) +
                            ":all=1,apad=whole_dur=" + showSeconds + ",atrim=end=" + showSeconds +
                            (audible ? "" : ",volume=0");
  return {"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "rawvideo", "-pix_fmt", "rgb24",
          "-s", std::to_string(width) + "x" + std::to_string(height), "-r", std::to_string(fps),
          "-i", "-", "-i", musicPath, "-map", "0:v", "-map", "1:a",
          // adelay writes real silence before the music (an edit list would be ignored by some
          // players); apad and atrim give the sound the show's length whatever the music's, so a
          // short file ends in silence and a long one is cut where the picture ends.
          "-af", audio, "-c:v", "libx264", "-preset", "veryfast", "-crf", "20", "-pix_fmt",
          "yuv420p", "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "mp4", output};
}

std::string VideoEncoder::logTail() const {
  FILE* file = std::fopen(log.c_str(), "rb");
  if (!file) return "(no log)";
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  std::fclose(file);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const size_t cut = text.rfind('\n');
  return cut == std::string::npos ? text : text.substr(cut + 1);
}
