// What every platform's VideoEncoder shares: the ffmpeg command line and reading the last words
// of the encoder's log.
#include "app/video_encoder.h"

#include <cstdio>

#include "app/frame_loop.h"

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
